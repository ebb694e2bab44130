// The toolkit over Qt Widgets: message boxes, file dialogs, the status bar,
// modal windows and a progress dialog.
#pragma once

#include <QObject>
#include <QPointer>
#include <QStatusBar>
#include <QString>
#include <QWidget>

#include "core/toolkit.h"

namespace tagshelf {

// Installs Qt's own Japanese texts, so the standard dialogs and buttons read as on
// a Japanese desktop; false when they can't be found.
bool installJapaneseQtTexts();

// "desc|pattern|desc|pattern" to Qt's "desc (pattern);;desc (pattern)".
QString qtFileFilter(std::string_view filter);

class QtToolkit : public Toolkit {
  public:
    MsgAnswer messageBox(std::string_view prompt, MsgButtons buttons, MsgIcon icon,
                         std::optional<MsgAnswer> defaultAnswer) override;
    std::optional<std::string> openFileDialog(std::string_view filter) override;
    std::optional<std::string> saveFileDialog(std::string_view filter) override;
    void setStatusText(std::string_view text) override;
    int showModal(ModalDialog& dialog) override;
    // Runs xdg-open on the address.
    bool openUrl(std::string_view url, std::function<void()> ended) override;
    std::unique_ptr<Progress> beginProgress(std::string_view caption) override;

    QtToolkit() = default;
    ~QtToolkit() override;

    // The window that owns the dialogs, and the status bar to write to.
    void setMainWindow(QWidget* window, QStatusBar* statusBar);

  private:
    QPointer<QWidget> window_;
    QPointer<QStatusBar> statusBar_;
    QPointer<QWidget> progress_;  // the progress dialog on screen, if any
    QString lastFileName_;
    std::string lastOpenFolder_;
    // The parent of the browser processes still running.
    QObject processes_;
};

}  // namespace tagshelf
