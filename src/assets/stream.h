// Byte sources: the readers of the archive and the sound bank parse bytes from one of these, so
// that tests and tools can feed them buffers and files alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to n bytes; returns how many were read (fewer only at the end of the data).
    virtual size_t read(void* destination, size_t n) = 0;
    virtual int64_t position() const = 0;
    virtual void seek(int64_t position) = 0;   // clamped to 0 … size()
    virtual int64_t size() const = 0;

    int64_t remaining() const { return size() - position(); }
    // Reads exactly n bytes or raises "Stream read error".
    void readExact(void* destination, size_t n);
    int32_t readInt32();   // little-endian
};

class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    size_t read(void* destination, size_t n) override;
    int64_t position() const override { return static_cast<int64_t>(position_); }
    void seek(int64_t position) override;
    int64_t size() const override { return static_cast<int64_t>(bytes_.size()); }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
    size_t position_ = 0;
};

// A file opened read-only; raises "Cannot open file %s" with the name when it cannot be opened.
class FileSource : public ByteSource {
public:
    explicit FileSource(const std::string& name);
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;
    size_t read(void* destination, size_t n) override;
    int64_t position() const override;
    void seek(int64_t position) override;
    int64_t size() const override { return size_; }

private:
    std::FILE* file_ = nullptr;
    int64_t size_ = 0;
};
