#include "UserSettings.h"
#include "Logging_p.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QtDebug>

namespace {

const QString TableKey = QStringLiteral("prjDynSeqId");
const QString PrjIdKey = QStringLiteral("prjId");
const QString SeqIdKey = QStringLiteral("seqId");

/// The settings group of a user. Ids of lower-case letters, digits and '_' are used as written;
/// any other id (a '/' would open a subgroup, and keys are case-insensitive on Windows) becomes
/// '-' and the hex of its UTF-8, which no plain id can equal.
QString userGroup(const QString &userId)
{
    bool plain = !userId.isEmpty();
    for (const QChar c : userId) {
        if (!((c >= QLatin1Char('a') && c <= QLatin1Char('z'))
                || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('_'))) {
            plain = false;
            break;
        }
    }
    const QString key
        = plain ? userId : QLatin1Char('-') + QString::fromLatin1(userId.toUtf8().toHex());
    return QStringLiteral("users/") + key;
}

} // namespace

UserSettings::UserSettings(const QString &userId)
    : m_userId(userId)
{
    const QString path = filePath();
    m_settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
    // A parse error shows only once every section has been read.
    m_settings->allKeys();
    if (m_settings->status() == QSettings::FormatError) {
        // QSettings never writes over a file it cannot parse; keep the damaged one for
        // inspection and start afresh, or every later save would be lost.
        m_settings.reset();
        const QString aside = path + QStringLiteral(".damaged");
        QFile::remove(aside);
        qCWarning(lcFiles(), "UserSettings: %s cannot be read; moved to %s", qUtf8Printable(path),
            qUtf8Printable(aside));
        QFile::rename(path, aside);
        m_settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
    }
    m_settings->beginGroup(userGroup(userId));
}

UserSettings::~UserSettings() = default;

QString UserSettings::filePath()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (dir.isEmpty())
        dir = QDir::homePath();
    return dir + QStringLiteral("/users.ini");
}

QHash<QString, int> UserSettings::loadPrjDynSeqId() const
{
    QHash<QString, int> seqIds;
    // Project ids are stored as values: as keys, '/' would split them and some texts would not
    // come back exactly as written.
    const int size = m_settings->beginReadArray(TableKey);
    for (int i = 0; i < size; ++i) {
        m_settings->setArrayIndex(i);
        const QVariant prjId = m_settings->value(PrjIdKey);
        bool isNumber = false;
        const int seqId = m_settings->value(SeqIdKey).toInt(&isNumber);
        if (!prjId.isValid() || !isNumber) {
            qCWarning(lcFiles(), "UserSettings: skipped a malformed entry %d of user %s", i + 1,
                qUtf8Printable(m_userId));
            continue;
        }
        seqIds.insert(prjId.toString(), seqId);
    }
    m_settings->endArray();
    return seqIds;
}

void UserSettings::savePrjDynSeqId(const QHash<QString, int> &seqIds)
{
    m_settings->remove(TableKey);
    m_settings->beginWriteArray(TableKey, seqIds.size());
    int i = 0;
    for (auto it = seqIds.cbegin(); it != seqIds.cend(); ++it, ++i) {
        m_settings->setArrayIndex(i);
        m_settings->setValue(PrjIdKey, it.key());
        m_settings->setValue(SeqIdKey, it.value());
    }
    m_settings->endArray();
    // QSettings does not make a missing configuration directory itself.
    QDir().mkpath(QFileInfo(m_settings->fileName()).absolutePath());
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError)
        qCWarning(
            lcFiles(), "UserSettings: cannot write %s", qUtf8Printable(m_settings->fileName()));
}
