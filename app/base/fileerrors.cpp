#include "fileerrors.h"

#include <QFileInfo>

namespace fileerrors {

QString text(QFileDevice::FileError error)
{
    switch (error) {
    case QFileDevice::PermissionsError:
        return QStringLiteral("書き込みが禁止されています。");
    case QFileDevice::OpenError:
        return QStringLiteral("ファイルを開けません。");
    case QFileDevice::ReadError:
        return QStringLiteral("ファイルを読み込めません。");
    case QFileDevice::WriteError:
    case QFileDevice::ResourceError:
        return QStringLiteral("ファイルに書き込めません。ディスクの空きを確認して下さい。");
    default:
        return QStringLiteral("ファイルを操作できません。");
    }
}

bool markedReadOnly(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && !(info.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther));
}

} // namespace fileerrors
