#include "app/qt_toolkit.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QProcess>
#include <QProgressDialog>
#include <QTranslator>

#include "windows/file_names.h"
#include "windows/file_open_dialog.h"

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

bool installJapaneseQtTexts() {
    static QTranslator translator;
    if (!translator.isEmpty()) return true;
    if (!translator.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        return false;
    }
    return QCoreApplication::installTranslator(&translator);
}

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
    // A message during long work goes over its progress dialog, never under it.
    QWidget* owner = progress_ && progress_->isVisible() ? progress_.data() : window_.data();
    QMessageBox box(owner);
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
    // Not Qt's file dialog, which leaves out names that are not UTF-8.
    if (lastOpenFolder_.empty())
        lastOpenFolder_ = QFile::encodeName(QDir::homePath()).toStdString();
    FileOpenDialog dialog(filter, lastOpenFolder_, window_);
    if (dialog.exec() != QDialog::Accepted || dialog.chosenFile().empty()) return std::nullopt;
    lastOpenFolder_ = dialog.Dir1->path();
    return dialog.chosenFile();
}

std::optional<std::string> QtToolkit::saveFileDialog(std::string_view filter) {
    // The program asks no overwrite question of its own; neither does the dialog.
    QString name =
        QFileDialog::getSaveFileName(window_, QString(), lastFileName_, qtFileFilter(filter),
                                     nullptr, QFileDialog::DontConfirmOverwrite);
    if (name.isEmpty()) return std::nullopt;
    lastFileName_ = name;
    return localPathBytes(name);
}

void QtToolkit::setStatusText(std::string_view text) {
    if (statusBar_) statusBar_->showMessage(qs(text));
}

int QtToolkit::showModal(ModalDialog& dialog) {
    return dialog.execModal();
}

bool QtToolkit::openUrl(std::string_view url, std::function<void()> ended) {
    auto* process = new QProcess(&processes_);
    process->setProgram(QStringLiteral("xdg-open"));
    process->setArguments({qs(url)});
    // No pipes: the browser may outlive this program and must not write into one
    // nobody reads.
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start();
    // Waits only for the start itself (fork and exec), never for the browser.
    if (!process->waitForStarted(5000)) {
        delete process;
        return false;
    }
    QObject::connect(process, &QProcess::finished, process, [process, ended = std::move(ended)] {
        process->deleteLater();
        if (ended) ended();
    });
    return true;
}

QtToolkit::~QtToolkit() {
    // The program ends: a browser it started keeps running, only its launcher
    // still waiting for it is stopped.
    for (QProcess* process : processes_.findChildren<QProcess*>()) {
        process->disconnect();
        process->kill();
        process->waitForFinished(1000);
    }
}

namespace {

class QtProgress : public Progress {
  public:
    QtProgress(QWidget* parent, const QString& caption, QPointer<QWidget>& shown)
        : parent_(parent), caption_(caption), shown_(shown) {
        timer_.start();
    }

    bool step(long done, long total) override {
        if (!due(done == total)) return !canceled();
        maximum_ = static_cast<int>(total);
        value_ = static_cast<int>(done);
        label_ = caption_ + QStringLiteral("\n%1 / %2").arg(done).arg(total);
        return pump();
    }

    bool found(long files) override {
        if (!due(false)) return !canceled();
        maximum_ = 0;  // a busy bar: the number to do is not known yet
        value_ = 0;
        label_ = QStringLiteral("ファイルを探しています\n%1件").arg(files);
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

    bool canceled() const { return dialog_ && dialog_->wasCanceled(); }

    // The dialog is made only when it is shown, after half a second: a dialog
    // made earlier shows itself on a timer of its own, which could put it over a
    // message opened meanwhile.
    bool pump() {
        if (!dialog_ && timer_.elapsed() >= 500) {
            dialog_ = std::make_unique<QProgressDialog>(parent_);
            dialog_->setWindowTitle(qs(kProgramTitle));
            dialog_->setCancelButtonText(QStringLiteral("キャンセル"));
            dialog_->setWindowModality(Qt::WindowModal);
            dialog_->setMinimumDuration(0);
            dialog_->setAutoClose(false);
            dialog_->setAutoReset(false);
            shown_ = dialog_.get();
        }
        if (dialog_) {
            dialog_->setMaximum(maximum_);
            dialog_->setValue(value_);
            dialog_->setLabelText(label_);
            if (!dialog_->isVisible()) dialog_->show();
        }
        QApplication::processEvents();
        return !canceled();
    }

    QWidget* parent_;
    QString caption_;
    QPointer<QWidget>& shown_;
    std::unique_ptr<QProgressDialog> dialog_;
    QString label_;
    int maximum_ = 0;
    int value_ = 0;
    QElapsedTimer timer_;
    qint64 lastEvents_ = -1;
};

}  // namespace

std::unique_ptr<Progress> QtToolkit::beginProgress(std::string_view caption) {
    return std::make_unique<QtProgress>(window_, qs(caption), progress_);
}

void QtToolkit::setMainWindow(QWidget* window, QStatusBar* statusBar) {
    window_ = window;
    statusBar_ = statusBar;
}

}  // namespace tagshelf
