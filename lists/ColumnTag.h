#pragma once

#include <QString>
#include <QStringView>
#include <Qt>

class QTreeWidget;
class QTreeWidgetItem;

// The column tag of a list: the text a header section keeps under TagRole that
// says how the column sorts and which way its next click goes, "type|flag|"
// with type S (text), N (number) or D (date) and flag True (next sort
// ascending) or False (next sort descending); "" for a column that does not
// sort. Cells may keep a tag of their own under the same role.
class ColumnTag
{
public:
    static constexpr int TagRole = Qt::UserRole + 1;

    static QString headerTag(const QTreeWidget* list, int column0);
    static void setHeaderTag(QTreeWidget* list, int column0, const QString& tag);
    static QString cellTag(const QTreeWidgetItem* item, int column0);
    static void setCellTag(QTreeWidgetItem* item, int column0, const QString& tag);

    // The n-th (1-based) field of text, each field ended by delimiter; "" when the
    // text has fewer than n delimiters.
    static QString CAMPO_TAG(QStringView text, char16_t delimiter, int n);
};
