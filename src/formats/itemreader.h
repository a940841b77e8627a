#pragma once

#include <QByteArrayView>

// Reads the monster data file as a sequence of comma- or line-separated items.
//
// Blanks (spaces and tabs) before an item are skipped. An item that starts with a double
// quote runs to the next double quote, commas and line breaks included; anything between
// the closing quote and the next delimiter is dropped. Any other item runs up to the next
// comma or line end. The delimiter is consumed with the item. A line ends with CR LF, a
// lone LF or a lone CR, so files edited on any system read alike.
class ItemReader
{
public:
    explicit ItemReader(QByteArrayView data)
        : m_data(data)
    {}

    bool atEnd() const { return m_pos >= m_data.size(); }

    // The next item's text, without quotes or delimiter. Empty at the end of the data.
    QByteArrayView next();

private:
    void skipToDelimiter();
    void consumeDelimiter();

    QByteArrayView m_data;
    qsizetype m_pos = 0;
};
