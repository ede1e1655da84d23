#pragma once

#include <QString>
#include <QStringView>

// The text of a staging file and its lines as views into it: no copy per line,
// however long the answer. Lines end at CR or CR LF; a lone LF belongs to its
// line; the end of the text after a last line end adds no line. The views stay
// valid while this object lives.
//
//     for (QStringView line : StagedText(staging.readText(StagingFolder::exportFile)))
class StagedText
{
public:
    StagedText() = default;
    explicit StagedText(QString text) : m_text(std::move(text)) {}

    const QString& text() const { return m_text; }

    class const_iterator
    {
    public:
        using value_type = QStringView;
        using difference_type = qsizetype;

        const_iterator() = default;
        const_iterator(QStringView text, qsizetype from) : m_text(text), m_from(from) { find(); }

        QStringView operator*() const { return m_text.sliced(m_from, m_length); }
        const_iterator& operator++()
        {
            m_from = m_next;
            find();
            return *this;
        }
        const_iterator operator++(int)
        {
            const_iterator previous = *this;
            ++*this;
            return previous;
        }
        bool operator==(const const_iterator& other) const { return m_from == other.m_from; }

    private:
        void find();

        QStringView m_text;
        qsizetype m_from = 0;
        qsizetype m_length = 0;
        qsizetype m_next = 0;
    };

    const_iterator begin() const { return {m_text, 0}; }
    const_iterator end() const { return {m_text, m_text.size()}; }

private:
    QString m_text;
};

// Calls `visit` with each line of `text`, a view into it; `visit` returns false
// to stop early.
template <typename Visitor> void forEachStagedLine(QStringView text, Visitor visit)
{
    for (auto line = StagedText::const_iterator(text, 0),
              end = StagedText::const_iterator(text, text.size());
         line != end; ++line) {
        if (!visit(*line))
            return;
    }
}
