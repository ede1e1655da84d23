#include "ExportFileDialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {

struct State
{
    QString lastFolder;
    ExportFileDialog::Chooser chooser;
    ExportFileDialog::FolderChooser folderChooser;
};

State& state()
{
    static State s;
    return s;
}

// The extension of a filter such as "File CSV (*.csv)", without the dot.
QString filterSuffix(const QString& filter)
{
    static const QRegularExpression pattern(QStringLiteral(R"(\*\.(\w+))"));
    const QRegularExpressionMatch match = pattern.match(filter);
    return match.hasMatch() ? match.captured(1) : QString();
}

// The toolkit's dialog asks before replacing a file; a symbolic link that
// points nowhere is replaced all the same, so it asks for one too, in the
// toolkit's own words.
class SaveDialog : public QFileDialog
{
public:
    using QFileDialog::QFileDialog;

    void accept() override
    {
        const QStringList files = selectedFiles();
        if (!files.isEmpty()) {
            const QFileInfo info(files.constFirst());
            if (info.isSymLink() && !info.exists() &&
                QMessageBox::warning(
                    this, windowTitle(),
                    QCoreApplication::translate("QFileDialog",
                                                "%1 already exists.\nDo you want to replace it?")
                        .arg(info.fileName()),
                    QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
                return;
        }
        QFileDialog::accept();
    }
};

QString askWithDialog(QWidget* parent, const QString& title, const QString& proposedPath,
                      const QString& filter)
{
    SaveDialog dialog(parent, title, proposedPath, filter);
    dialog.setObjectName(QStringLiteral("ExportFileDialog"));
    dialog.setAccessibleName(title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.selectFile(QFileInfo(proposedPath).fileName());
    // A name typed without extension gets the one of the chosen file type.
    dialog.setDefaultSuffix(filterSuffix(filter));
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog](const QString& chosen) { dialog.setDefaultSuffix(filterSuffix(chosen)); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString askForFolder(QWidget* parent, const QString& title, const QString& startFolder)
{
    QFileDialog dialog(parent, title, startFolder);
    dialog.setObjectName(QStringLiteral("ExportFolderDialog"));
    dialog.setAccessibleName(title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Scegli"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

QString ExportFileDialog::chooseFolder(QWidget* parent, const QString& title)
{
    const QString chosen = state().folderChooser
                               ? state().folderChooser(parent, title, lastFolder())
                               : askForFolder(parent, title, lastFolder());
    if (chosen.isEmpty())
        return {};
    const QString folder = QFileInfo(chosen).absoluteFilePath();
    setLastFolder(folder);
    return folder;
}

QString ExportFileDialog::choose(QWidget* parent, const QString& title, const QString& fileName,
                                 const QString& filter)
{
    const QString proposed = proposedPath(fileName);
    QString chosen = state().chooser ? state().chooser(parent, title, proposed, filter)
                                     : askWithDialog(parent, title, proposed, filter);
    if (chosen.isEmpty())
        return {};
    const QString suffix = filterSuffix(filter);
    if (!suffix.isEmpty() && QFileInfo(chosen).suffix().isEmpty())
        chosen += u'.' + suffix;
    setLastFolder(QFileInfo(chosen).absolutePath());
    return chosen;
}

QString ExportFileDialog::proposedPath(const QString& fileName)
{
    return QDir(lastFolder()).filePath(fileName);
}

QString ExportFileDialog::lastFolder()
{
    if (!state().lastFolder.isEmpty())
        return state().lastFolder;
    // A desktop without a documents folder gets the home folder, not the
    // dialog's fallback of the program's working folder.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QDir(documents).exists() ? documents : QDir::homePath();
}

void ExportFileDialog::setLastFolder(const QString& folder)
{
    state().lastFolder = folder;
}

void ExportFileDialog::setChooser(Chooser chooser)
{
    state().chooser = std::move(chooser);
}

void ExportFileDialog::setFolderChooser(FolderChooser chooser)
{
    state().folderChooser = std::move(chooser);
}

void ExportFileDialog::reset()
{
    state() = State{};
}

QString ExportFileDialog::csvFilter()
{
    return QStringLiteral("File CSV (*.csv)");
}

QString ExportFileDialog::pdfFilter()
{
    return QStringLiteral("File PDF (*.pdf)");
}

QString ExportFileDialog::xlsxFilter()
{
    return QStringLiteral("Cartella Excel (*.xlsx)");
}
