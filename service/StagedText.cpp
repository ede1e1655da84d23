#include "StagedText.h"

void StagedText::const_iterator::find()
{
    const qsizetype size = m_text.size();
    if (m_from >= size) {
        m_from = size;
        return;
    }
    const qsizetype cr = m_text.indexOf(u'\r', m_from);
    if (cr < 0) {
        m_length = size - m_from;
        m_next = size;
        return;
    }
    m_length = cr - m_from;
    m_next = cr + 1;
    if (m_next < size && m_text[m_next] == u'\n')
        ++m_next;
}
