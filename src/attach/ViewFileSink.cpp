#include "attach/ViewFileSink.h"

#include <QDesktopServices>
#include <QDir>
#include <QUrl>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <shellapi.h>
#endif

#include "InformMsgBox.h"

ViewFileSink::ViewFileSink(
    const QString &localPath, std::function<void(int)> progress, QWidget *parent)
    : QObject(parent)
    , m_localPath(localPath)
    , m_progress(std::move(progress))
    , m_messageParent(parent)
{ }

void ViewFileSink::onResponse(qint64 done, qint64 total)
{
    if (total == 0 || !m_progress)
        return;
    m_progress(int(done * 100 / total));
}

void ViewFileSink::onFinished(int status, const QString &)
{
    emit transferEnd();
    QString message;
    switch (status) {
    case TransferStatus_Cancelled:
        message = tr("用户取消!");
        break;
    case TransferStatus_Finished:
        if (!openLocalFile(m_localPath))
            message = tr("不支持的文件格式!");
        break;
    case TransferStatus_Failed:
        message = tr("打开文件失败!");
        break;
    default:
        break;
    }
    if (!message.isEmpty())
        InformMsgBox::prompt(message, m_messageParent.data());
    deleteLater(); // nothing calls back after onFinished
}

bool ViewFileSink::openLocalFile(const QString &path)
{
#ifdef Q_OS_WIN
    const auto result = reinterpret_cast<qintptr>(ShellExecuteW(GetDesktopWindow(), L"open",
        reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(path).utf16()), nullptr, nullptr,
        SW_SHOWNORMAL));
    return result > 32;
#else
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
#endif
}
