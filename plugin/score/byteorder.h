// Little-endian reads and writes of the fixed-width fields in host records and saved images.
#pragma once

#include <cstdint>

inline uint16_t readUInt16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline int16_t readInt16(const uint8_t* p) {
    return static_cast<int16_t>(readUInt16(p));
}

inline uint32_t readUInt32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

inline int32_t readInt32(const uint8_t* p) {
    return static_cast<int32_t>(readUInt32(p));
}

inline void writeUInt16(uint8_t* p, uint16_t value) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
}

inline void writeInt16(uint8_t* p, int16_t value) {
    writeUInt16(p, static_cast<uint16_t>(value));
}

inline void writeUInt32(uint8_t* p, uint32_t value) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
    p[2] = static_cast<uint8_t>(value >> 16);
    p[3] = static_cast<uint8_t>(value >> 24);
}

inline void writeInt32(uint8_t* p, int32_t value) {
    writeUInt32(p, static_cast<uint32_t>(value));
}
