#include "browserwidgets.h"

#include <QStyle>

#include "ansi.h"
#include "core/drives.h"

namespace varnook {

DriveList::DriveList(Workstation* workstation, QWidget* parent)
    : QComboBox(parent), workstation_(workstation) {}

void DriveList::refresh() {
    const QString current = currentText();
    clear();
    if (workstation_ == nullptr) {
        return;
    }
    for (const std::string& text : workstation_->DriveListTexts()) {
        addItem(FromAnsi(text));
    }
    const int again = findText(current);
    setCurrentIndex(again >= 0 ? again : -1);
}

std::string DriveList::drive() const {
    return ToAnsi(currentText());
}

bool DriveList::setDrive(char letter) {
    if (workstation_ == nullptr) {
        return false;
    }
    // The system is asked afresh: a drive unmapped since the last refresh is gone now.
    const QChar wanted = QChar::fromLatin1(letter).toLower();
    for (const std::string& text : workstation_->DriveListTexts()) {
        const QString t = FromAnsi(text);
        if (!t.isEmpty() && t.at(0).toLower() == wanted) {
            int index = findText(t);
            if (index < 0) {
                addItem(t);
                index = count() - 1;
            }
            setCurrentIndex(index);
            emit driveChanged();
            return true;
        }
    }
    return false;
}

DirList::DirList(Workstation* workstation, QWidget* parent)
    : QListWidget(parent), workstation_(workstation) {
    setIconSize(QSize(16, 16));
}

QString DirList::lastPathOfDrive(QChar letter) const {
    const QChar upper = letter.toUpper();
    const auto it = lastPaths_.find(upper);
    return it != lastPaths_.end() ? it->second : QString(upper) + QStringLiteral(":\\");
}

void DirList::setPath(const QString& path) {
    path_ = path;
    if (!path_.isEmpty()) {
        lastPaths_[path_.at(0).toUpper()] = path_;
    }
    rebuild();
    emit pathChanged();
}

QStringList DirList::files() const {
    QStringList names;
    if (listing_) {
        for (const std::string& name : listing_->files) {
            names << FromAnsi(name);
        }
    }
    return names;
}

void DirList::rebuild() {
    clear();
    listing_.reset();
    if (path_.size() < 3) {
        return;
    }
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirIcon);
    // The root, then each folder down to the current one, then its sub-folders.
    QString built = path_.left(3);
    QStringList parts = path_.mid(3).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    int depth = 0;
    auto add = [this](const QIcon& icon, const QString& text, const QString& target, int level) {
        auto* item = new QListWidgetItem(icon, QString(level * 3, QLatin1Char(' ')) + text, this);
        item->setData(Qt::UserRole, target);
        return item;
    };
    QListWidgetItem* current = add(open, built.toLower(), built, depth++);
    for (const QString& part : parts) {
        built += (built.endsWith(QLatin1Char('\\')) ? QString() : QStringLiteral("\\")) + part;
        current = add(open, part, built, depth++);
    }
    listing_ = workstation_ != nullptr ? workstation_->ListFolder(ToAnsi(path_)) : std::nullopt;
    if (listing_) {
        for (const std::string& sub : listing_->folders) {
            const QString name = FromAnsi(sub);
            const QString target =
                path_ + (path_.endsWith(QLatin1Char('\\')) ? QString() : QStringLiteral("\\")) +
                name;
            add(closed, name, target, depth);
        }
    }
    setCurrentItem(current);
}

}  // namespace varnook
