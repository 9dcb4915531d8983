// What the main window's three source files share: its texts, its private
// message and a small helper. Not for use outside the main window.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>

namespace tw::win {

// Texts of the main window.
constexpr const char* AboutMenuText = "&About Tunewarden...";
constexpr const char* StartLabel = "Start";
constexpr const char* CancelLabel = "Cancel";
constexpr const char* FilePrefix = "File: ";
constexpr const char* TestDirPrefix = "Test Dir: ";
constexpr const char* CatalogDirPrefix = "Catalog Dir: ";
constexpr const char* ConfirmCancelText = "Are you sure you want to cancel?";
constexpr const char* ConfirmationCaption = "Confirmation";
constexpr const char* NoSelectionText = "No selection found.";
constexpr const char* MultipleSelectionText = "Multiple selection not allowed here.";
constexpr const char* UnableToProcessText = "Unable to process ";
constexpr const char* SelectionErrorCaption = "Selection Error";
constexpr const char* ErrorOpeningText = "Error opening ";
constexpr const char* FileOpenErrorCaption = "File Open Error";
constexpr const char* ErrorWritingText = "Error writing ";
constexpr const char* FileWriteErrorCaption = "File Write Error";
constexpr const char* LogNotSavedText = "The log was not saved: ";

// The common file dialogs.
constexpr const char* LoadFilter = "MP3 Files (*.mp?)|*.mp?|All Files (*.*)|*.*||";
constexpr const char* SaveFilter = "Text Files (*.txt)|*.txt|All Files (*.*)|*.*||";
constexpr const char* SaveInitialName = "Untitled";
constexpr const char* SaveDefaultExtension = "txt";

// Posted to the window itself: a selection kept back during a run is due;
// the window has been shown and takes its saved show state.
constexpr UINT PendingSelectionMessage = WM_APP + 1;
constexpr UINT ShowOnceUpMessage = WM_APP + 2;

inline std::string WithoutQuotes(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '"'), text.end());
    return text;
}

}  // namespace tw::win
