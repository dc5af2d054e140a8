#include "common/Cp949.h"

#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace marking::cp949 {

namespace {

// One converter per thread and direction; iconv state is reset before each use.
class Converter {
public:
    Converter(const char* to, const char* from)
        : handle_(iconv_open(to, from)) {}
    ~Converter() {
        if (valid())
            iconv_close(handle_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const {
        iconv(handle_, nullptr, nullptr, nullptr, nullptr);
        return handle_;
    }

private:
    iconv_t handle_;
};

Converter& encoder() {
    thread_local Converter c("CP949", "UTF-16LE");
    return c;
}

Converter& decoder() {
    thread_local Converter c("UTF-16LE", "CP949");
    return c;
}

bool isAscii(const QString& text) {
    for (QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

} // namespace

QString EncodeResult::errorText() const {
    if (ok)
        return {};
    return QStringLiteral("문자 '%1' (%2번째 문자)은(는) 코드 페이지 949로 변환할 수 없습니다.")
        .arg(badCharacter)
        .arg(badIndex + 1);
}

EncodeResult Encode(const QString& text) {
    EncodeResult result;
    if (isAscii(text)) {
        result.bytes = text.toLatin1();
        result.ok = true;
        return result;
    }
    Converter& conv = encoder();
    if (!conv.valid()) {
        result.badIndex = 0;
        result.badCharacter = text.left(1);
        return result;
    }
    iconv_t cd = conv.get();
    // Every UTF-16 unit becomes at most two bytes in code page 949.
    QByteArray out(text.size() * 2 + 4, Qt::Uninitialized);
    auto* in = reinterpret_cast<char*>(const_cast<QChar*>(text.constData()));
    size_t inLeft = static_cast<size_t>(text.size()) * 2;
    char* outPtr = out.data();
    size_t outLeft = static_cast<size_t>(out.size());
    const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    if (rc == static_cast<size_t>(-1)) {
        const qsizetype index =
            static_cast<qsizetype>((static_cast<size_t>(text.size()) * 2 - inLeft) / 2);
        result.badIndex = index;
        const bool pair = index + 1 < text.size() && text.at(index).isHighSurrogate() &&
                          text.at(index + 1).isLowSurrogate();
        result.badCharacter = text.mid(index, pair ? 2 : 1);
        return result;
    }
    out.truncate(out.size() - static_cast<qsizetype>(outLeft));
    result.bytes = std::move(out);
    result.ok = true;
    return result;
}

bool CanEncode(QStringView text) {
    const char16_t* s = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s[i];
        if (c >= 0x80 && (c < 0xAC00 || c > 0xD7A3)) {
            return Encode(text.toString()).ok;
        }
    }
    return true;
}

QString Decode(const QByteArray& bytes) {
    bool ascii = true;
    for (char b : bytes) {
        if (static_cast<unsigned char>(b) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return QString::fromLatin1(bytes);

    Converter& conv = decoder();
    QString out;
    if (!conv.valid())
        return QString(bytes.size(), QChar::ReplacementCharacter);
    iconv_t cd = conv.get();
    out.resize(bytes.size());
    auto* in = const_cast<char*>(bytes.constData());
    size_t inLeft = static_cast<size_t>(bytes.size());
    auto* outPtr = reinterpret_cast<char*>(out.data());
    size_t outLeft = static_cast<size_t>(out.size()) * 2;
    while (inLeft > 0) {
        const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        if (rc != static_cast<size_t>(-1))
            break;
        if (errno == EILSEQ || errno == EINVAL) {
            // Skip the offending byte and mark it.
            ++in;
            --inLeft;
            if (outLeft >= 2) {
                const char16_t r = QChar::ReplacementCharacter;
                std::memcpy(outPtr, &r, 2);
                outPtr += 2;
                outLeft -= 2;
            }
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        } else {
            break;
        }
    }
    out.truncate(out.size() - static_cast<qsizetype>(outLeft / 2));
    return out;
}

qsizetype EncodedLength(const QString& text) {
    const EncodeResult r = Encode(text);
    return r.ok ? r.bytes.size() : -1;
}

QString Hex(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex());
}

} // namespace marking::cp949
