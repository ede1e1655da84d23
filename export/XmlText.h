#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The text of a value as the service sent it: the answer is XML, so its
// values carry character references (&amp; &lt; &gt; &quot; &apos;, &#NN;
// and &#xHH;). These are decoded; anything that is not a well-formed
// reference to a character stays as it stands.
class XmlText
{
public:
    static void appendDecoded(QByteArray& out, QByteArrayView utf8);
    static QByteArray decoded(QByteArrayView utf8);
    static QString toString(QByteArrayView utf8);
};
