#include "ReadOnlyFolder.h"

#include <QFile>
#include <QFileInfo>

#include <sys/fsuid.h>
#include <unistd.h>

namespace {

constexpr uid_t Nobody = 65534;
constexpr QFile::Permissions ReadOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                        QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;

} // namespace

ReadOnlyFolder::ReadOnlyFolder(const QString& folder) : m_folder(folder)
{
    if (!QFile::setPermissions(folder, ReadOnly))
        return;
    if (::geteuid() == 0) {
        // An ordinary user must still reach the folder through its parent,
        // which a temporary folder keeps private.
        const QString parent = QFileInfo(folder).absolutePath();
        const QFile::Permissions before = QFile::permissions(parent);
        if (!(before & QFile::ExeOther) && QFile::setPermissions(parent, before | QFile::ExeOther))
            m_parentChanged = parent;
        ::setfsuid(Nobody);
        m_fsuidChanged = ::setfsuid(Nobody) == int(Nobody);
        m_active = m_fsuidChanged;
    } else {
        m_active = true;
    }
}

ReadOnlyFolder::~ReadOnlyFolder()
{
    if (m_fsuidChanged)
        ::setfsuid(0);
    if (!m_parentChanged.isEmpty())
        QFile::setPermissions(m_parentChanged,
                              QFile::permissions(m_parentChanged) & ~QFile::ExeOther);
    QFile::setPermissions(m_folder, ReadOnly | QFile::WriteOwner);
}
