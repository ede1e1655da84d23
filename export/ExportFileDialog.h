#pragma once

#include <QString>

#include <functional>

class QWidget;

// Asks where to save an export. Proposes the given file name in the last
// folder used in this session (the user's documents folder at first) and
// remembers the folder of the file chosen. Tests answer without a dialog
// through setChooser() and start from a known state with reset().
//
//     const QString path = ExportFileDialog::choose(this, u"Esporta"_s, u"errori_2025_03.csv"_s,
//                                                   ExportFileDialog::csvFilter());
class ExportFileDialog
{
public:
    // Gets the proposed path and the filter; returns the chosen path or an
    // empty string when the user gave up.
    using Chooser = std::function<QString(QWidget* parent, const QString& title,
                                          const QString& proposedPath, const QString& filter)>;

    // The chosen path (with the filter's extension added when the user left
    // it out), or empty when cancelled. Remembers the chosen folder.
    static QString choose(QWidget* parent, const QString& title, const QString& fileName,
                          const QString& filter);

    static QString proposedPath(const QString& fileName);
    static QString lastFolder();
    static void setLastFolder(const QString& folder);

    // Asks for a folder to write several files into, starting from the last
    // folder used; a path typed in the name field and Enter choose it. The
    // chosen folder, or empty when cancelled. Remembers it.
    using FolderChooser =
        std::function<QString(QWidget* parent, const QString& title, const QString& startFolder)>;
    static QString chooseFolder(QWidget* parent, const QString& title);

    // Replace the dialogs; an empty chooser brings the dialog back.
    static void setChooser(Chooser chooser);
    static void setFolderChooser(FolderChooser chooser);
    // Forgets the folder and the choosers.
    static void reset();

    static QString csvFilter();
    static QString pdfFilter();
    static QString xlsxFilter();
};
