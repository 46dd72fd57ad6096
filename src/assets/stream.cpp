#include "assets/stream.h"

#include "platform/exception.h"

#include <algorithm>
#include <cstring>

void ByteSource::readExact(void* destination, size_t n)
{
    if (read(destination, n) != n) throw Exception("Stream read error");
}

int32_t ByteSource::readInt32()
{
    uint8_t b[4];
    readExact(b, 4);
    return static_cast<int32_t>(static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
                                (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24));
}

size_t MemorySource::read(void* destination, size_t n)
{
    const size_t count = std::min(n, bytes_.size() - position_);
    if (count) std::memcpy(destination, bytes_.data() + position_, count);
    position_ += count;
    return count;
}

void MemorySource::seek(int64_t position)
{
    position_ = static_cast<size_t>(std::clamp<int64_t>(position, 0, size()));
}

FileSource::FileSource(const std::string& name)
{
    file_ = std::fopen(name.c_str(), "rb");
    if (!file_) throw Exception(formatMessage("Cannot open file %s", name));
    std::fseek(file_, 0, SEEK_END);
    size_ = std::ftell(file_);
    std::fseek(file_, 0, SEEK_SET);
}

FileSource::~FileSource()
{
    if (file_) std::fclose(file_);
}

size_t FileSource::read(void* destination, size_t n)
{
    return std::fread(destination, 1, n, file_);
}

int64_t FileSource::position() const
{
    return std::ftell(file_);
}

void FileSource::seek(int64_t position)
{
    std::fseek(file_, static_cast<long>(std::clamp<int64_t>(position, 0, size_)), SEEK_SET);
}
