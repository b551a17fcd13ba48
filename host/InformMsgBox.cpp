#include "InformMsgBox.h"
#include "Logging_p.h"

#include <QApplication>
#include <QPointer>
#include <QThread>

namespace {

// GUI-thread state: prompt() hands calls from other threads over before touching it.
QString s_lastPrompt;
int s_promptCount = 0;
QList<QPointer<InformMsgBox>> s_openBoxes;

} // namespace

InformMsgBox::InformMsgBox(const QString &text, QWidget *parent)
    : QMessageBox(QMessageBox::Information, tr("Prompt"), text, QMessageBox::Ok, parent)
{
    setObjectName(QStringLiteral("InformMsgBox"));
    setTextFormat(Qt::PlainText);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::NonModal);
}

void InformMsgBox::prompt(const QString &text, QWidget *parent)
{
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    if (app && QThread::currentThread() != app->thread()) {
        const QPointer<QWidget> guardedParent(parent);
        QMetaObject::invokeMethod(
            app, [text, guardedParent] { prompt(text, guardedParent.data()); },
            Qt::QueuedConnection);
        return;
    }

    s_lastPrompt = text;
    ++s_promptCount;
    if (!app) {
        // Without widgets (a console tool) the text still reaches the log.
        qCInfo(lcUi(), "%s", qUtf8Printable(text));
        return;
    }

    auto *box = new InformMsgBox(text, parent);
    s_openBoxes.append(box);
    box->show();
}

QString InformMsgBox::lastPrompt()
{
    return s_lastPrompt;
}

int InformMsgBox::promptCount()
{
    return s_promptCount;
}

QList<InformMsgBox *> InformMsgBox::openBoxes()
{
    QList<InformMsgBox *> boxes;
    s_openBoxes.removeAll(nullptr);
    for (const QPointer<InformMsgBox> &box : qAsConst(s_openBoxes)) {
        // A closed box lingers until its deferred deletion runs.
        if (box->isVisible())
            boxes.append(box.data());
    }
    return boxes;
}

void InformMsgBox::closeAll()
{
    const QList<InformMsgBox *> boxes = openBoxes();
    for (InformMsgBox *box : boxes)
        box->close();
}
