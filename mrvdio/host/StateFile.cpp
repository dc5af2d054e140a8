#include "host/StateFile.h"

#include "mrvdio/Stream.h"
#include "mrvdio/Variant.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace mrvdio::host {

namespace {

StateFileResult Failure(HRESULT hr, const QString& message) {
    StateFileResult r;
    r.ok = false;
    r.hr = hr;
    r.message = message;
    return r;
}

// Why the control refused its stream, in the words of this program.
QString StreamReason(HRESULT hr) {
    if (hr == STG_E_READFAULT)
        return QStringLiteral("파일이 중간에 끊겼습니다");
    if (hr == STG_E_DOCFILECORRUPT)
        return QStringLiteral("DIO 설정 파일의 형식이 아닙니다");
    if (hr == E_OUTOFMEMORY)
        return QStringLiteral("메모리가 부족합니다");
    return QStringLiteral("오류 코드 0x%1").arg(static_cast<uint32_t>(hr), 8, 16, QLatin1Char('0'));
}

HRESULT PersistOf(IUnknown* control, ComPtr<IPersistStream>* persist) {
    if (!control)
        return E_POINTER;
    return control->QueryInterface(IID_IPersistStream, persist->PutVoid());
}

} // namespace

QString StateFile::DefaultPath(const QString& programDir, const QString& name) {
    return QDir(programDir).filePath(name + QStringLiteral(".dat"));
}

StateFileResult StateFile::Load(IUnknown* control) const {
    ComPtr<IPersistStream> persist;
    if (const HRESULT hr = PersistOf(control, &persist); FAILED(hr))
        return Failure(hr, QStringLiteral("DIO 설정을 불러올 수 없습니다: 컨트롤이 저장을 "
                                          "지원하지 않습니다 (%1)")
                               .arg(path_));
    QFile file(path_);
    if (!file.exists()) {
        StateFileResult r;
        r.absent = true;
        return r;
    }
    QByteArray data;
    if (file.open(QIODevice::ReadOnly))
        data = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError)
        return Failure(E_FAIL, QStringLiteral("DIO 설정 파일 %1을(를) 읽을 수 없습니다: %2")
                                   .arg(path_, file.errorString()));
    auto* stream = new MemoryStream(std::vector<uint8_t>(data.begin(), data.end()));
    const HRESULT hr = persist->Load(stream);
    stream->Release();
    if (FAILED(hr))
        return Failure(hr, QStringLiteral("DIO 설정 파일 %1을(를) 불러오지 못했습니다: %2. "
                                          "DIO 장치 없이 계속합니다.")
                               .arg(path_, StreamReason(hr)));
    return {};
}

StateFileResult StateFile::Save(IUnknown* control) const {
    ComPtr<IPersistStream> persist;
    if (const HRESULT hr = PersistOf(control, &persist); FAILED(hr))
        return Failure(hr, QStringLiteral("DIO 설정을 저장할 수 없습니다: 컨트롤이 저장을 "
                                          "지원하지 않습니다 (%1)")
                               .arg(path_));
    // The stream first: only a complete one goes to the file. The dirty flag
    // is cleared once the file is in place.
    auto* stream = new MemoryStream;
    const HRESULT hr = persist->Save(stream, 0);
    const std::vector<uint8_t> bytes = stream->Bytes();
    stream->Release();
    if (FAILED(hr))
        return Failure(hr, QStringLiteral("DIO 설정 파일 %1을(를) 저장하지 못했습니다: %2")
                               .arg(path_, StreamReason(hr)));
    QSaveFile file(path_);
    const auto size = static_cast<qint64>(bytes.size());
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(bytes.data()), size) != size || !file.commit())
        return Failure(E_FAIL, QStringLiteral("DIO 설정 파일 %1을(를) 저장할 수 없습니다: %2")
                                   .arg(path_, file.errorString()));
    // Saved: the control's state now matches the file.
    auto* again = new MemoryStream;
    persist->Save(again, 1);
    again->Release();
    return {};
}

StateFileResult StateFile::SaveIfDirty(IUnknown* control) const {
    ComPtr<IPersistStream> persist;
    if (SUCCEEDED(PersistOf(control, &persist)) && persist->IsDirty() == S_FALSE) {
        StateFileResult r;
        r.unchanged = true;
        return r;
    }
    return Save(control);
}

} // namespace mrvdio::host
