#include "tests/win32/MainWindowHarness.h"

#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "text/Unicode.h"
#include "shell/win32/HandOver.h"
#include "shell/win32/MainDialogIds.h"
#include "shell/win32/ResourceIds.h"
#include "tests/win32/WindowActions.h"

namespace tw::test {

ScratchFolder::ScratchFolder() {
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(sizeof temp, temp);
    static unsigned serial = 0;
    for (;;) {
        char name[64];
        std::snprintf(name, sizeof name, "twgui-%lu-%u", GetCurrentProcessId(), ++serial);
        std::string candidate = std::string(temp) + name;
        if (CreateDirectoryA(candidate.c_str(), nullptr)) {
            path_ = candidate;
            return;
        }
    }
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(std::filesystem::u8path(path), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(std::filesystem::u8path(path), std::ios::binary);
    out << text;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path) {
    DWORD attributes = GetFileAttributesW(Utf8ToUtf16(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

Bytes SoundMp3(int count) {
    return ByteBuilder().frames(count, {0xFF, 0xFB, 0x90, 0x64}).build();
}

Bytes BrokenMp3(int count) {
    ByteBuilder b;
    b.frames(count / 2, {0xFF, 0xFB, 0x90, 0x64});
    b.fill(100, 0x55);
    b.frames(count - count / 2, {0xFF, 0xFB, 0x90, 0x64});
    return b.build();
}

HDROP MakeDrop(const std::vector<std::string>& paths) {
    // The list ends with an empty name: two NULs even when it holds none, or
    // the reader runs past the block.
    std::size_t size = sizeof(DROPFILES) + 2;
    for (const auto& p : paths)
        size += p.size() + 1;
    HGLOBAL block = GlobalAlloc(GHND, size);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(block));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = FALSE;
    char* out = reinterpret_cast<char*>(drop) + sizeof(DROPFILES);
    for (const auto& p : paths) {
        std::memcpy(out, p.c_str(), p.size() + 1);
        out += p.size() + 1;
    }
    GlobalUnlock(block);
    return static_cast<HDROP>(block);
}

void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

UINT MainWindow::SelectionMessage() {
    return RegisterWindowMessageA(win::SelectionMessageName);
}

MainWindow::MainWindow(const ScratchFolder& folder, const std::string& settingsText, const std::string& commandLine,
                       const Make& make) {
    settingsPath_ = folder / "Tunewarden.INI";
    if (!settingsText.empty())
        WriteText(settingsPath_, settingsText);
    win::MainDialog::Startup startup;
    startup.instance = GetModuleHandleA(nullptr);
    startup.settingsPath = settingsPath_;
    startup.commandLine = commandLine;
    startup.selectionMessage = SelectionMessage();
    dialog_ = make ? make(startup) : std::make_unique<win::MainDialog>(startup);
    HWND window = dialog_->createModeless(startup.instance, IDD_MAIN, nullptr);
    if (window != nullptr)
        ShowWindow(window, SW_SHOW);
    PumpMessages();
}

MainWindow::~MainWindow() {
    dialog_.reset();
    PumpMessages();
}

std::string MainWindow::text(int id) const {
    return WindowText(item(id));
}

bool MainWindow::enabled(int id) const {
    return IsWindowEnabled(item(id)) != FALSE;
}

bool MainWindow::visible(int id) const {
    return IsWindowVisible(item(id)) != FALSE;
}

bool MainWindow::checked(int id) const {
    return IsDlgButtonChecked(handle(), id) == BST_CHECKED;
}

RECT MainWindow::rectOf(int id) const {
    RECT r{};
    GetWindowRect(item(id), &r);
    MapWindowPoints(nullptr, handle(), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void MainWindow::click(int id) {
    SendMessageA(handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(item(id)));
}

void MainWindow::postSelection(const std::string& commandLine) {
    ATOM atom = GlobalAddAtomW(Utf8ToUtf16(commandLine).c_str());
    PostMessageA(handle(), SelectionMessage(), atom, 0);
}

std::vector<std::string> MainWindow::listLines() const {
    std::vector<std::string> lines;
    HWND list = GetDlgItem(handle(), IDC_MAIN_LOG);
    LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring line(static_cast<std::size_t>(length) + 1, L'\0');
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(line.data()));
        line.resize(static_cast<std::size_t>(length));
        lines.push_back(Utf16ToUtf8(line));
    }
    return lines;
}

std::vector<std::string> MainWindow::logTexts() const {
    std::vector<std::string> texts;
    for (const auto& line : dialog_->log().lines())
        texts.push_back(line.text);
    return texts;
}

}  // namespace tw::test
