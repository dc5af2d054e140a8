#pragma once

// A byte stream in memory, for hosts that keep an object's saved state
// themselves (a file, a document): save into it, take the bytes; or put the
// bytes in and load from it.
//
//   auto* stream = new mrvdio::MemoryStream;            // one reference
//   persist->Save(stream, 1);
//   std::vector<uint8_t> bytes = stream->Bytes();
//   stream->Release();

#include "mrvdio/ComBase.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace mrvdio {

class MemoryStream final : public ComObject<IStream, IID_ISequentialStream, IID_IStream> {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<uint8_t> bytes)
        : bytes_(std::move(bytes)) {}

    HRESULT Read(void* data, uint32_t size, uint32_t* done) override {
        if (done)
            *done = 0;
        if (!data && size)
            return STG_E_READFAULT;
        const size_t left = bytes_.size() - std::min(position_, bytes_.size());
        const auto n = static_cast<uint32_t>(std::min<size_t>(size, left));
        if (n)
            std::memcpy(data, bytes_.data() + position_, n);
        position_ += n;
        if (done)
            *done = n;
        return n == size ? S_OK : S_FALSE;
    }
    HRESULT Write(const void* data, uint32_t size, uint32_t* done) override {
        if (done)
            *done = 0;
        if (!data && size)
            return STG_E_WRITEFAULT;
        const auto* p = static_cast<const uint8_t*>(data);
        if (position_ > bytes_.size())
            bytes_.resize(position_, 0);
        const size_t overlap = std::min<size_t>(size, bytes_.size() - position_);
        if (overlap)
            std::memcpy(bytes_.data() + position_, p, overlap);
        bytes_.insert(bytes_.end(), p + overlap, p + size);
        position_ += size;
        if (done)
            *done = size;
        return S_OK;
    }

    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    // Reading starts again at the first byte.
    void Rewind() { position_ = 0; }

private:
    ~MemoryStream() override = default;
    std::vector<uint8_t> bytes_;
    size_t position_ = 0;
};

} // namespace mrvdio
