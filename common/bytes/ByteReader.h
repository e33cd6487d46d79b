// Bounded little-endian reading and writing of byte buffers. Every read is
// checked against the bytes that are really there; a short buffer makes the
// reader fail and stay failed, and the values read are then zero.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace zelvo {

class ByteReader {
public:
    ByteReader(const void* data, size_t size) : m_data(static_cast<const uint8_t*>(data)), m_size(data ? size : 0) {}

    bool ok() const { return m_ok; }
    size_t position() const { return m_pos; }
    size_t remaining() const { return m_size - m_pos; }
    const uint8_t* current() const { return m_data + m_pos; }

    uint8_t u8() { uint8_t v = 0; read(&v, 1); return v; }
    uint16_t u16() { uint8_t b[2] = {}; read(b, 2); return (uint16_t)(b[0] | (b[1] << 8)); }
    uint32_t u32()
    {
        uint8_t b[4] = {};
        read(b, 4);
        return (uint32_t)b[0] | ((uint32_t)b[1] << 8) | ((uint32_t)b[2] << 16) | ((uint32_t)b[3] << 24);
    }
    uint64_t u64() { uint64_t lo = u32(); uint64_t hi = u32(); return lo | (hi << 32); }
    int16_t i16() { return (int16_t)u16(); }
    int32_t i32() { return (int32_t)u32(); }
    float f32() { uint32_t v = u32(); float f; std::memcpy(&f, &v, 4); return f; }
    double f64() { uint64_t v = u64(); double d; std::memcpy(&d, &v, 8); return d; }

    // Copies n bytes out; fails (copying nothing) when fewer remain.
    bool read(void* out, size_t n)
    {
        if (!m_ok || n > remaining()) {
            m_ok = false;
            if (out && n) std::memset(out, 0, n);
            return false;
        }
        if (n) std::memcpy(out, m_data + m_pos, n);
        m_pos += n;
        return true;
    }
    bool skip(size_t n)
    {
        if (!m_ok || n > remaining()) return m_ok = false;
        m_pos += n;
        return true;
    }
    // A NUL-terminated text inside a fixed field of n bytes; the field need not
    // hold a NUL (the text then takes all n bytes).
    std::string fixedText(size_t n)
    {
        if (!m_ok || n > remaining()) {
            m_ok = false;
            return std::string();
        }
        const char* p = reinterpret_cast<const char*>(m_data + m_pos);
        size_t len = 0;
        while (len < n && p[len]) ++len;
        m_pos += n;
        return std::string(p, len);
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
    bool m_ok = true;
};

class ByteWriter {
public:
    void u8(uint8_t v) { m_out.push_back(v); }
    void u16(uint16_t v) { u8((uint8_t)v); u8((uint8_t)(v >> 8)); }
    void u32(uint32_t v) { for (int i = 0; i < 4; ++i) u8((uint8_t)(v >> (8 * i))); }
    void u64(uint64_t v) { u32((uint32_t)v); u32((uint32_t)(v >> 32)); }
    void i16(int16_t v) { u16((uint16_t)v); }
    void i32(int32_t v) { u32((uint32_t)v); }
    void f32(float f) { uint32_t v; std::memcpy(&v, &f, 4); u32(v); }
    void f64(double d) { uint64_t v; std::memcpy(&v, &d, 8); u64(v); }
    void bytes(const void* p, size_t n)
    {
        const uint8_t* b = static_cast<const uint8_t*>(p);
        m_out.insert(m_out.end(), b, b + n);
    }
    void zeros(size_t n) { m_out.insert(m_out.end(), n, 0); }
    // Text and its NUL.
    void cstr(const std::string& s) { bytes(s.c_str(), s.size() + 1); }
    // Text cut to fit a fixed field of n bytes with its NUL, padded with zeros.
    void fixedText(const std::string& s, size_t n)
    {
        if (n == 0) return;
        size_t len = s.size() < n ? s.size() : n - 1;
        bytes(s.data(), len);
        zeros(n - len);
    }
    // Overwrites 4 bytes at pos (for lengths known only at the end).
    void patchU32(size_t pos, uint32_t v)
    {
        for (int i = 0; i < 4; ++i) m_out[pos + i] = (uint8_t)(v >> (8 * i));
    }

    size_t size() const { return m_out.size(); }
    const std::vector<uint8_t>& data() const { return m_out; }
    std::vector<uint8_t> take() { return std::move(m_out); }

private:
    std::vector<uint8_t> m_out;
};

} // namespace zelvo
