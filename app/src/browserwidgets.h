// The file browser's system list controls: the drive list Drive1 (hidden; it switches the current
// drive and gives each drive's display text) and the directory list Dir1.
#pragma once

#include <QComboBox>
#include <QListWidget>
#include <QStringList>

#include <map>
#include <optional>
#include <string>
#include "core/drives.h"

namespace varnook {

class Workstation;

// Drive1: every drive of the workstation as "f: [\\FS1\SYS]", and the current one.
class DriveList : public QComboBox {
    Q_OBJECT
public:
    explicit DriveList(Workstation* workstation, QWidget* parent = nullptr);
    void setWorkstation(Workstation* workstation) { workstation_ = workstation; }
    // Rereads the system's drives, keeping the current drive when it is still there.
    void refresh();
    // The current drive's text ("f: [\\FS1\SYS]"); empty when there is none.
    std::string drive() const;
    // Makes the drive with this letter current. Returns false when the system no longer has
    // such a drive (its mapping was deleted).
    bool setDrive(char letter);

signals:
    void driveChanged();

private:
    Workstation* workstation_;
};

// Dir1: the folders of the current drive. The current path ("F:\DATA\SUB") is shown with its
// parent folders above and its sub-folders below; each entry holds its folder's path as item data
// (Qt::UserRole), which the main window opens when the entry is activated.
class DirList : public QListWidget {
    Q_OBJECT
public:
    explicit DirList(Workstation* workstation, QWidget* parent = nullptr);
    void setWorkstation(Workstation* workstation) { workstation_ = workstation; }
    QString path() const { return path_; }
    // Opens a folder, listed once by the drive's server; emits pathChanged.
    void setPath(const QString& path);
    // Whether the open folder could be listed, and its files (for the file list).
    bool listed() const { return listing_.has_value(); }
    QStringList files() const;
    // The folder last open on a drive (its root when none was), as a drive change shows it.
    QString lastPathOfDrive(QChar letter) const;

signals:
    void pathChanged();

private:
    void rebuild();
    Workstation* workstation_;
    QString path_;
    std::optional<FolderListing> listing_;
    std::map<QChar, QString> lastPaths_;
};

}  // namespace varnook
