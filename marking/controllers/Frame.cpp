#include "controllers/Frame.h"

#include "common/Cp949.h"
#include "controllers/ControlCharacters.h"

namespace marking::controllers {

FrameResult BuildFrame(char command, const QString& text, bool withCheck) {
    FrameResult result;
    if (const qsizetype at = FirstControlCharacter(text); at >= 0) {
        result.error = QStringLiteral("전송 데이터를 만들 수 없습니다: %1는 보낼 수 없습니다.")
                           .arg(ControlCharacterText(text, at));
        return result;
    }
    const cp949::EncodeResult encoded = cp949::Encode(text);
    if (!encoded.ok) {
        result.error =
            QStringLiteral("전송 데이터를 만들 수 없습니다: %1").arg(encoded.errorText());
        return result;
    }
    const QByteArray& body = encoded.bytes;
    QByteArray frame;
    frame.reserve(body.size() + 5);
    frame.append(kSTX);
    frame.append(command);
    frame.append(body);
    frame.append(kETX);
    if (withCheck) {
        unsigned check = static_cast<unsigned char>(command);
        const qsizetype n = body.size();
        for (qsizetype i = 0; i < n; ++i) {
            const auto b = static_cast<unsigned char>(body[i]);
            // In code page 949 a byte of 0x81 or above opens a double-byte character.
            if (b >= 0x81 && i + 1 < n) {
                check ^= (static_cast<unsigned>(b) << 8) | static_cast<unsigned char>(body[i + 1]);
                ++i;
            } else {
                check ^= b;
            }
        }
        check ^= static_cast<unsigned char>(kETX);
        if (check > 0xFF) {
            frame.append(static_cast<char>((check >> 8) & 0xFF));
        }
        frame.append(static_cast<char>(check & 0xFF));
    }
    result.bytes = std::move(frame);
    result.ok = true;
    return result;
}

ConversionResult CheckedConversion(QString text, const char* controller) {
    ConversionResult result;
    if (const qsizetype at = FirstControlCharacter(text); at >= 0) {
        result.error = QStringLiteral("%1 데이터 변환 오류: %2는 보낼 수 없습니다.")
                           .arg(QLatin1String(controller), ControlCharacterText(text, at));
        return result;
    }
    if (!cp949::CanEncode(text)) {
        result.error = QStringLiteral("%1 데이터 변환 오류: %2")
                           .arg(QLatin1String(controller), cp949::Encode(text).errorText());
        return result;
    }
    result.text = std::move(text);
    result.ok = true;
    return result;
}

} // namespace marking::controllers
