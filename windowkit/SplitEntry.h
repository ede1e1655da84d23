#pragma once

#include <QClipboard>
#include <QObject>

class QKeyEvent;
class QLineEdit;

// One code typed across two line edits, such as a number whose first part has
// a field of its own. A barcode reader types the whole code at once: what goes
// past the end of the first field goes on in the second, as if the operator
// had moved there with Tab. Only a first field filled in this visit goes on:
// typing at the end of one found full (clicked into, say) is dropped as ever,
// rather than joining a new code to an old one. A paste is never cut: one that
// fits neither whole nor split across the two fields is refused.
class SplitEntry : public QObject
{
    Q_OBJECT
public:
    static void join(QLineEdit* first, QLineEdit* second);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    SplitEntry(QLineEdit* first, QLineEdit* second);
    // Whether `box` is full and what arrives next would go past its end.
    static bool fullAtEnd(const QLineEdit* box);
    // Whether a character typed into the first field goes on in the second.
    bool spills(const QKeyEvent* key) const;
    void moveToSecond();
    void pasteFrom(QLineEdit* box, QClipboard::Mode mode);
    void paste(QLineEdit* box, const QString& text);
    void showMenu(QLineEdit* box, const QPoint& globalPos);

    QLineEdit* m_first;
    QLineEdit* m_second;
    // The operator has changed the first field since it last gained the focus.
    bool m_firstEdited = false;
};
