#include "app/qt_toolkit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>

namespace tagshelf {

namespace {

QString qs(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QMessageBox::StandardButton buttonOf(MsgAnswer a) {
    switch (a) {
        case MsgAnswer::Ok:
            return QMessageBox::Ok;
        case MsgAnswer::Yes:
            return QMessageBox::Yes;
        case MsgAnswer::No:
            return QMessageBox::No;
        case MsgAnswer::Retry:
            return QMessageBox::Retry;
        case MsgAnswer::Cancel:
            return QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

}  // namespace

QString qtFileFilter(std::string_view filter) {
    QStringList parts = qs(filter).split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString desc = parts[i];
        QString pattern = parts[i + 1];
        if (!desc.contains(QLatin1Char('(') + pattern + QLatin1Char(')'))) {
            desc += QStringLiteral(" (") + pattern + QLatin1Char(')');
        }
        out << desc;
    }
    return out.join(QStringLiteral(";;"));
}

MsgAnswer QtToolkit::messageBox(std::string_view prompt, MsgButtons buttons, MsgIcon icon,
                                std::optional<MsgAnswer> defaultAnswer) {
    QMessageBox box(window_);
    box.setWindowTitle(qs(kProgramTitle));
    box.setText(qs(prompt));
    switch (icon) {
        case MsgIcon::None:
            box.setIcon(QMessageBox::NoIcon);
            break;
        case MsgIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case MsgIcon::Exclamation:
            box.setIcon(QMessageBox::Warning);
            break;
    }
    switch (buttons) {
        case MsgButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case MsgButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setEscapeButton(QMessageBox::No);
            break;
        case MsgButtons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
        case MsgButtons::RetryCancel:
            box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
    }
    if (defaultAnswer) box.setDefaultButton(buttonOf(*defaultAnswer));
    switch (box.exec()) {
        case QMessageBox::Yes:
            return MsgAnswer::Yes;
        case QMessageBox::No:
            return MsgAnswer::No;
        case QMessageBox::Retry:
            return MsgAnswer::Retry;
        case QMessageBox::Cancel:
            return MsgAnswer::Cancel;
        default:
            if (buttons == MsgButtons::YesNo) return MsgAnswer::No;
            return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
    }
}

std::optional<std::string> QtToolkit::openFileDialog(std::string_view filter) {
    QString name =
        QFileDialog::getOpenFileName(window_, QString(), lastFileName_, qtFileFilter(filter));
    if (name.isEmpty()) return std::nullopt;
    lastFileName_ = name;
    return name.toStdString();
}

std::optional<std::string> QtToolkit::saveFileDialog(std::string_view filter) {
    // The program asks no overwrite question of its own; neither does the dialog.
    QString name =
        QFileDialog::getSaveFileName(window_, QString(), lastFileName_, qtFileFilter(filter),
                                     nullptr, QFileDialog::DontConfirmOverwrite);
    if (name.isEmpty()) return std::nullopt;
    lastFileName_ = name;
    return name.toStdString();
}

void QtToolkit::setStatusText(std::string_view text) {
    if (statusBar_) statusBar_->showMessage(qs(text));
}

int QtToolkit::showModal(ModalDialog& dialog) {
    return dialog.execModal();
}

namespace {

class QtProgress : public Progress {
  public:
    QtProgress(QWidget* parent, const QString& caption) : dialog_(parent) {
        dialog_.setWindowTitle(qs(kProgramTitle));
        dialog_.setLabelText(caption);
        dialog_.setCancelButtonText(QStringLiteral("キャンセル"));
        dialog_.setWindowModality(Qt::WindowModal);
        dialog_.setMinimumDuration(500);
        dialog_.setAutoClose(false);
        dialog_.setAutoReset(false);
        caption_ = caption;
        timer_.start();
    }

    bool step(long done, long total) override {
        if (!due(done == total)) return !dialog_.wasCanceled();
        dialog_.setMaximum(static_cast<int>(total));
        dialog_.setValue(static_cast<int>(done));
        dialog_.setLabelText(caption_ + QStringLiteral("\n%1 / %2").arg(done).arg(total));
        return pump();
    }

    bool found(long files) override {
        if (!due(false)) return !dialog_.wasCanceled();
        dialog_.setMaximum(0);  // a busy bar: the number to do is not known yet
        dialog_.setLabelText(QStringLiteral("ファイルを探しています\n%1件").arg(files));
        return pump();
    }

  private:
    // Repaint and take input at most every 50 ms: often enough to feel live,
    // rarely enough to cost nothing on fast steps.
    bool due(bool last) {
        if (!last && lastEvents_ >= 0 && timer_.elapsed() - lastEvents_ < 50) return false;
        lastEvents_ = timer_.elapsed();
        return true;
    }

    bool pump() {
        if (!dialog_.isVisible() && timer_.elapsed() >= 500) dialog_.show();
        QApplication::processEvents();
        return !dialog_.wasCanceled();
    }

    QProgressDialog dialog_;
    QString caption_;
    QElapsedTimer timer_;
    qint64 lastEvents_ = -1;
};

}  // namespace

std::unique_ptr<Progress> QtToolkit::beginProgress(std::string_view caption) {
    return std::make_unique<QtProgress>(window_, qs(caption));
}

void QtToolkit::setMainWindow(QWidget* window, QStatusBar* statusBar) {
    window_ = window;
    statusBar_ = statusBar;
}

}  // namespace tagshelf
