#include "SplitEntry.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>

SplitEntry::SplitEntry(QLineEdit* first, QLineEdit* second)
    : QObject(first), m_first(first), m_second(second)
{
    setObjectName(QStringLiteral("SplitEntry"));
}

void SplitEntry::join(QLineEdit* first, QLineEdit* second)
{
    auto* entry = new SplitEntry(first, second);
    first->installEventFilter(entry);
    second->installEventFilter(entry);
    connect(first, &QLineEdit::textEdited, entry, [entry] { entry->m_firstEdited = true; });
}

bool SplitEntry::fullAtEnd(const QLineEdit* box)
{
    return !box->hasSelectedText() && box->text().size() >= box->maxLength() &&
           box->cursorPosition() == box->text().size();
}

bool SplitEntry::spills(const QKeyEvent* key) const
{
    const QString typed = key->text();
    return m_firstEdited && !typed.isEmpty() && typed.at(0).isPrint() &&
           !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) &&
           fullAtEnd(m_first);
}

void SplitEntry::moveToSecond()
{
    // As Tab would: the first field's leave and the second's entry run, and
    // the entry selects what the second held, so what follows replaces it.
    if (!m_second->hasFocus())
        m_second->setFocus(Qt::TabFocusReason);
}

bool SplitEntry::eventFilter(QObject* watched, QEvent* event)
{
    auto* box = static_cast<QLineEdit*>(watched);
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Paste)) {
            pasteFrom(box, QClipboard::Clipboard);
            return true;
        }
        if (box == m_first && spills(key)) {
            moveToSecond();
            QCoreApplication::sendEvent(m_second, key);
            return true;
        }
        break;
    }
    case QEvent::FocusIn: {
        // A window or menu giving the focus back is the same visit.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (box == m_first && reason != Qt::ActiveWindowFocusReason &&
            reason != Qt::PopupFocusReason)
            m_firstEdited = false;
        break;
    }
    case QEvent::ContextMenu:
        showMenu(box, static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    case QEvent::MouseButtonRelease:
        // The selection's middle-button paste, where the platform has one.
        if (static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton &&
            QGuiApplication::clipboard()->supportsSelection()) {
            box->deselect();
            pasteFrom(box, QClipboard::Selection);
            return true;
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void SplitEntry::pasteFrom(QLineEdit* box, QClipboard::Mode mode)
{
    if (!box->isReadOnly())
        paste(box, QGuiApplication::clipboard()->text(mode));
}

void SplitEntry::paste(QLineEdit* box, const QString& text)
{
    // A copied cell or line brings its line end along.
    const QString clip = text.trimmed();
    if (clip.isEmpty())
        return;
    const qsizetype room = box->maxLength() - (box->text().size() - box->selectedText().size());
    if (clip.size() <= room) {
        box->insert(clip);
        return;
    }
    const qsizetype insertAt = box->hasSelectedText() ? box->selectionEnd() : box->cursorPosition();
    if (box == m_first && insertAt == box->text().size() &&
        clip.size() <= room + m_second->maxLength()) {
        box->insert(clip.left(room));
        moveToSecond();
        m_second->insert(clip.mid(room));
    }
}

void SplitEntry::showMenu(QLineEdit* box, const QPoint& globalPos)
{
    // The toolkit's own menu, its paste made to follow the rules above. The
    // entry is known by the toolkit's caption (translated as the menu's is),
    // which its shortcut follows after a tab.
    QMenu* menu = box->createStandardContextMenu();
    const QString caption = QCoreApplication::translate("QLineEdit", "&Paste");
    for (QAction* action : menu->actions()) {
        if (action->text().section(u'\t', 0, 0) != caption)
            continue;
        action->disconnect(box);
        connect(action, &QAction::triggered, this,
                [this, box] { pasteFrom(box, QClipboard::Clipboard); });
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPos);
}
