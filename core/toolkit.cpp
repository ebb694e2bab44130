#include "core/toolkit.h"

namespace tagshelf {

MsgAnswer ScriptedToolkit::messageBox(std::string_view prompt, MsgButtons buttons, MsgIcon icon,
                                      std::optional<MsgAnswer> defaultAnswer) {
    messages.push_back(Message{std::string(prompt), buttons, icon, defaultAnswer, progressOpen > 0,
                               std::move(pendingLabel_), std::move(pendingError_)});
    pendingLabel_.clear();
    pendingError_.reset();
    if (onMessage) onMessage(messages.back());
    if (!answers.empty()) {
        MsgAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    switch (buttons) {
        case MsgButtons::Ok:
            return MsgAnswer::Ok;
        case MsgButtons::YesNo:
            return MsgAnswer::No;
        case MsgButtons::YesNoCancel:
        case MsgButtons::RetryCancel:
            return MsgAnswer::Cancel;
    }
    return MsgAnswer::Ok;
}

std::optional<std::string> ScriptedToolkit::openFileDialog(std::string_view filter) {
    fileDialogFilters.emplace_back(filter);
    if (fileAnswers.empty()) return std::nullopt;
    auto a = fileAnswers.front();
    fileAnswers.pop_front();
    return a;
}

std::optional<std::string> ScriptedToolkit::saveFileDialog(std::string_view filter) {
    return openFileDialog(filter);
}

void ScriptedToolkit::setStatusText(std::string_view text) {
    statusText = text;
}

int ScriptedToolkit::showModal(ModalDialog& dialog) {
    dialogsShown.push_back(dialog.dialogName());
    if (dialogScripts.empty()) return 0;
    auto script = std::move(dialogScripts.front());
    dialogScripts.pop_front();
    return script(dialog);
}

bool ScriptedToolkit::openUrl(std::string_view url, std::function<void()> ended) {
    if (browserFails) return false;
    browsers.push_back(Browser{std::string(url), std::move(ended)});
    return true;
}

namespace {
class ScriptedProgress : public Progress {
  public:
    explicit ScriptedProgress(ScriptedToolkit& owner) : owner_(owner) { ++owner_.progressOpen; }
    ~ScriptedProgress() override { --owner_.progressOpen; }
    bool step(long, long) override {
        ++owner_.progressSteps;
        return !owner_.cancelAfter || owner_.progressSteps < *owner_.cancelAfter;
    }
    bool found(long) override {
        ++owner_.searchSteps;
        return !owner_.cancelSearchAfter || owner_.searchSteps < *owner_.cancelSearchAfter;
    }

  private:
    ScriptedToolkit& owner_;
};
}  // namespace

std::unique_ptr<Progress> ScriptedToolkit::beginProgress(std::string_view) {
    ++progressDialogs;
    return std::make_unique<ScriptedProgress>(*this);
}

void ScriptedToolkit::showError(std::string_view label, const Error& error) {
    pendingLabel_ = std::string(label);
    pendingError_ = error;
    notice(standardErrorText(label, error));
}

std::vector<std::string> ScriptedToolkit::prompts() const {
    std::vector<std::string> out;
    for (const auto& m : messages)
        out.push_back(m.prompt);
    return out;
}

}  // namespace tagshelf
