// What the program logic asks of the window system: message boxes, file dialogs,
// the status bar text and progress of long work. The main program uses the Qt
// implementation (app/qt_toolkit.h); tests use ScriptedToolkit, which records every
// message and answers from a queue.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/error.h"

namespace tagshelf {

// Every message box carries this title.
inline constexpr std::string_view kProgramTitle = "TagShelf";

enum class MsgButtons { Ok, YesNo, YesNoCancel, RetryCancel };
enum class MsgIcon { None, Question, Exclamation };
enum class MsgAnswer { Ok, Yes, No, Retry, Cancel };

// A window shown modally: the Qt dialogs implement it; a scripted toolkit plays
// the user's part on it instead of waiting for input.
class ModalDialog {
  public:
    virtual ~ModalDialog() = default;
    // Runs the dialog until it closes; gives its result (1 accepted, 0 not).
    virtual int execModal() = 0;
    // The window's name (frm_Select, …), for tests and messages.
    virtual std::string dialogName() const = 0;
};

// Long work reports through this; step() gives false once the user asked to stop.
class Progress {
  public:
    virtual ~Progress() = default;
    virtual bool step(long done, long total) = 0;
    // While the files are still being looked for: how many were found so far.
    virtual bool found(long files) = 0;
};

class Toolkit {
  public:
    virtual ~Toolkit() = default;

    // A message box under the title "TagShelf". defaultAnswer is the button that
    // Enter presses (Yes for the deletion questions, else the first button).
    virtual MsgAnswer messageBox(std::string_view prompt, MsgButtons buttons,
                                 MsgIcon icon = MsgIcon::None,
                                 std::optional<MsgAnswer> defaultAnswer = std::nullopt) = 0;

    // File dialogs. The filter is "description|pattern[|description|pattern…]"
    // ("MP3ファイル (*.mp3)|*.mp3"). No value when the user cancels.
    virtual std::optional<std::string> openFileDialog(std::string_view filter) = 0;
    virtual std::optional<std::string> saveFileDialog(std::string_view filter) = 0;

    // The main window's status bar text.
    virtual void setStatusText(std::string_view text) = 0;

    // Shows a window modally and gives its result once it has closed.
    virtual int showModal(ModalDialog& dialog) = 0;

    // Opens an address in the desktop's web browser, a program of its own, and
    // returns at once; `ended` runs on this thread once that program has ended.
    // False, and `ended` never runs, when it could not be started.
    virtual bool openUrl(std::string_view url, std::function<void()> ended) = 0;

    // Progress of long work: the toolkit shows a dialog with a cancel button once
    // the work has run for about half a second. Release the object to close it.
    virtual std::unique_ptr<Progress> beginProgress(std::string_view caption) = 0;

    // Shows a message with only an OK button and no icon.
    void notice(std::string_view prompt) { messageBox(prompt, MsgButtons::Ok); }

    // Shows the standard error message of a procedure (its label, "fncDbOpen : ",
    // and the error) with only an OK button and no icon.
    virtual void showError(std::string_view label, const Error& error) {
        notice(standardErrorText(label, error));
    }
};

// A toolkit for tests and for the command-line companion: records every message
// box, answers from queues, and falls back to OK / No / Cancel when a queue is empty
// (Cancel for Yes/No/Cancel).
class ScriptedToolkit : public Toolkit {
  public:
    struct Message {
        std::string prompt;
        MsgButtons buttons;
        MsgIcon icon;
        std::optional<MsgAnswer> defaultAnswer;
        bool duringProgress = false;  // shown while long work had its progress open
        // For a standard error message: the procedure's label and the error.
        std::string label;
        std::optional<Error> error;
    };

    MsgAnswer messageBox(std::string_view prompt, MsgButtons buttons, MsgIcon icon,
                         std::optional<MsgAnswer> defaultAnswer) override;
    std::optional<std::string> openFileDialog(std::string_view filter) override;
    std::optional<std::string> saveFileDialog(std::string_view filter) override;
    void setStatusText(std::string_view text) override;
    int showModal(ModalDialog& dialog) override;
    bool openUrl(std::string_view url, std::function<void()> ended) override;
    std::unique_ptr<Progress> beginProgress(std::string_view caption) override;
    void showError(std::string_view label, const Error& error) override;

    // Queued answers, taken in order.
    std::deque<MsgAnswer> answers;
    std::deque<std::optional<std::string>> fileAnswers;
    // What the user does in the next modal windows, in order: each script works
    // the dialog (fills fields, presses buttons) and gives its result. Without a
    // script a dialog is closed at once with result 0.
    std::deque<std::function<int(ModalDialog&)>> dialogScripts;
    // Progress: step() gives false once `cancelAfter` steps were reported.
    std::optional<long> cancelAfter;
    // The same for the search that comes first (found()).
    std::optional<long> cancelSearchAfter;

    // openUrl fails while this is set.
    bool browserFails = false;

    // What happened.
    std::vector<Message> messages;
    std::vector<std::string> fileDialogFilters;
    std::vector<std::string> dialogsShown;
    // The browsers started: the address, and what to run when the user closes it.
    struct Browser {
        std::string url;
        std::function<void()> ended;
    };
    std::vector<Browser> browsers;
    std::string statusText;
    long progressSteps = 0;
    int progressOpen = 0;  // progress objects alive now
    long searchSteps = 0;
    int progressDialogs = 0;

    // Called for every message as it is shown (the command line prints them).
    std::function<void(const Message&)> onMessage;

    std::vector<std::string> prompts() const;

  private:
    std::string pendingLabel_;
    std::optional<Error> pendingError_;
};

}  // namespace tagshelf
