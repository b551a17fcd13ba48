#include "VTRightClickMenu.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLineEdit>
#include <QMimeData>

namespace {

QString withShortcut(const QString &text, QKeySequence::StandardKey key)
{
    const QKeySequence sequence(key);
    if (sequence.isEmpty())
        return text;
    return text + QLatin1Char('\t') + sequence.toString(QKeySequence::NativeText);
}

bool clipboardHasText()
{
    const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
    return mime && mime->hasText() && !mime->text().isEmpty();
}

} // namespace

VTRightClickMenu::VTRightClickMenu(QLineEdit *edit)
    : QMenu(edit)
{
    setObjectName(QStringLiteral("VTRightClickMenu"));
    setAttribute(Qt::WA_DeleteOnClose);

    const bool editable = !edit->isReadOnly();
    // Password text never leaves the edit.
    const bool visibleText = edit->echoMode() == QLineEdit::Normal;
    const bool selection = edit->hasSelectedText();

    auto addEntry
        = [this, edit](const QString &name, const QString &text, bool enabled, auto operation) {
              QAction *action = addAction(text);
              action->setObjectName(name);
              action->setEnabled(enabled);
              connect(action, &QAction::triggered, edit, operation);
          };

    addEntry(QStringLiteral("undo"), withShortcut(tr("&Undo"), QKeySequence::Undo),
        editable && edit->isUndoAvailable(), &QLineEdit::undo);
    addEntry(QStringLiteral("redo"), withShortcut(tr("&Redo"), QKeySequence::Redo),
        editable && edit->isRedoAvailable(), &QLineEdit::redo);
    addSeparator();
    addEntry(QStringLiteral("cut"), withShortcut(tr("Cu&t"), QKeySequence::Cut),
        editable && selection && visibleText, &QLineEdit::cut);
    addEntry(QStringLiteral("copy"), withShortcut(tr("&Copy"), QKeySequence::Copy),
        selection && visibleText, &QLineEdit::copy);
    addEntry(QStringLiteral("paste"), withShortcut(tr("&Paste"), QKeySequence::Paste),
        editable && clipboardHasText(), &QLineEdit::paste);
    addEntry(QStringLiteral("delete"), tr("Delete"), editable && selection, &QLineEdit::del);
    addSeparator();
    addEntry(QStringLiteral("selectAll"), withShortcut(tr("Select All"), QKeySequence::SelectAll),
        !edit->text().isEmpty() && edit->selectedText() != edit->text(), &QLineEdit::selectAll);
}

VTRightClickMenu *VTRightClickMenu::popupRightClickMenu(QLineEdit *edit, QContextMenuEvent *event)
{
    if (!edit || !event)
        return nullptr;
    auto *menu = new VTRightClickMenu(edit);
    menu->popup(event->globalPos());
    event->accept();
    return menu;
}
