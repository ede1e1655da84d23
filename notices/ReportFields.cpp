#include "ReportFields.h"

#include "ByteScan.h"
#include "NumberText.h"
#include "XmlText.h"

namespace ReportFields {

int fieldNamed(const char* name, qsizetype size)
{
    if (size <= 0 || size >= TagSlots::Lengths)
        return -1;
    for (int i = Slots.first[size_t(size)][size_t(name[0] & 31)]; i >= 0;
         i = Slots.next[size_t(i)]) {
        const std::string_view tag = Table[i].tag;
        if (qsizetype(tag.size()) == size && ByteScan::equal(name, tag.data(), size))
            return i;
    }
    return -1;
}

QStringList captions(Files file)
{
    QStringList list;
    for (const Field& f : Table) {
        if (f.files & file)
            list << QString::fromUtf8(f.caption.data(), qsizetype(f.caption.size()));
    }
    return list;
}

QStringList pdfCaptions()
{
    QStringList list(PdfColumns);
    for (const Field& f : Table) {
        if (f.pdf == PdfPlace::Column)
            list[f.pdfColumn] = QString::fromUtf8(f.pdfText.data(), qsizetype(f.pdfText.size()));
    }
    return list;
}

QByteArrayView listedNumber(QByteArrayView sent, int digits, Scratch& scratch)
{
    if (const std::optional<QByteArrayView> plain = padded(sent, digits, scratch))
        return *plain;
    const double number = NumberText::leadingNumber(XmlText::toString(sent));
    scratch.other = NumberText::zeroPadded(number, digits).toUtf8();
    return scratch.other;
}

bool wholeNumber(QByteArrayView shown, double* value)
{
    const qsizetype from = shown.startsWith('-') || shown.startsWith('+') ? 1 : 0;
    if (from == shown.size() || shown.size() - from > 15)
        return false;
    qint64 n = 0;
    for (qsizetype k = from; k < shown.size(); ++k) {
        if (shown[k] < '0' || shown[k] > '9')
            return false;
        n = n * 10 + (shown[k] - '0');
    }
    *value = double(shown[0] == '-' ? -n : n);
    return true;
}

} // namespace ReportFields
