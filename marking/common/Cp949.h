#pragma once

#include <QByteArray>
#include <QString>

namespace marking::cp949 {

// Result of encoding a text into code page 949.
struct EncodeResult {
    QByteArray bytes; // the whole text, only when ok
    bool ok = false;
    qsizetype badIndex = -1; // index in the text of the first character it cannot encode
    QString badCharacter;    // that character (a surrogate pair stays whole)

    // Korean description for a message box: which character could not be converted.
    QString errorText() const;
};

// Encodes text into code page 949 (ASCII one byte, Korean syllables two).
// A character the code page does not have is an error; nothing is replaced.
EncodeResult Encode(const QString& text);

// Whether Encode(text) succeeds, without making the bytes: ASCII and the
// Korean syllables (U+AC00..U+D7A3, all in the code page) are known at once;
// a text with any other character is asked of the converter.
bool CanEncode(QStringView text);

// Decodes code page 949 bytes; an invalid sequence becomes U+FFFD.
QString Decode(const QByteArray& bytes);

// Number of bytes the text takes in code page 949, or -1 if it cannot be encoded.
qsizetype EncodedLength(const QString& text);

// Lower-case hex without separators, as the tools and logs print bytes.
QString Hex(const QByteArray& bytes);

} // namespace marking::cp949
