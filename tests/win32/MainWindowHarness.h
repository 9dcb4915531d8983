// Helpers for the main window's tests: a scratch folder, audio files written
// from ByteBuilder, and the real main dialog opened modeless, with its own
// settings file, driven through its messages.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shell/win32/MainDialog.h"
#include "tests/support/ByteBuilder.h"

namespace tw::test {

// A fresh folder under the system's temporary folder, removed with all it
// holds when the object goes.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }
    // path() + "\" + name.
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

void WriteBytes(const std::string& path, const Bytes& bytes);
void WriteText(const std::string& path, const std::string& text);
std::string ReadBytes(const std::string& path);
bool FileExists(const std::string& path);

// `count` frames of 417 bytes (MPEG 1 layer III, 128 kbit/s, 44.1 kHz).
Bytes SoundMp3(int count);
// `count` frames with 100 stray bytes after frame `count / 2`: one sync
// error and a resync.
Bytes BrokenMp3(int count);

// A DROPFILES block naming `paths`, as the shell hands it to WM_DROPFILES.
HDROP MakeDrop(const std::vector<std::string>& paths);

// Dispatches every message waiting in this thread's queue.
void PumpMessages();

// The main window, modeless and shown, with `settingsText` as its settings
// file (none when empty) and `commandLine` as its command line.
class MainWindow {
public:
    using Make = std::function<std::unique_ptr<win::MainDialog>(const win::MainDialog::Startup&)>;
    // `make` gives the dialog object (a MainDialog when absent).
    MainWindow(const ScratchFolder& folder, const std::string& settingsText, const std::string& commandLine = "",
               const Make& make = nullptr);
    ~MainWindow();

    win::MainDialog& dialog() { return *dialog_; }
    HWND handle() const { return dialog_->handle(); }
    HWND item(int id) const { return dialog_->item(id); }
    const std::string& settingsPath() const { return settingsPath_; }

    std::string text(int id) const;
    bool enabled(int id) const;
    bool visible(int id) const;
    bool checked(int id) const;
    // The control's rectangle in the window's client coordinates.
    RECT rectOf(int id) const;

    // A click delivered as the button's notification (also to disabled buttons).
    void click(int id);
    // A selection as another instance hands it over: posted, quotes kept.
    void postSelection(const std::string& commandLine);
    // The log's lines, as the list shows them (in UTF-8).
    std::vector<std::string> listLines() const;
    std::vector<std::string> logTexts() const;

    static UINT SelectionMessage();

private:
    std::string settingsPath_;
    std::unique_ptr<win::MainDialog> dialog_;
};

}  // namespace tw::test
