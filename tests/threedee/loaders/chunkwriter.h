// 3DS files made at test time: chunk(id, payload, children...) lays out one
// chunk with its length computed, or with a length given on purpose.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <string>

namespace chunkwriter {

using Bytes = std::string;

inline Bytes U16(std::uint16_t v) { return Bytes{char(v & 0xFF), char(v >> 8)}; }
inline Bytes U32(std::uint32_t v) {
  return Bytes{char(v & 0xFF), char(v >> 8 & 0xFF), char(v >> 16 & 0xFF), char(v >> 24)};
}
inline Bytes F32(float f) {
  std::uint32_t bits;
  std::memcpy(&bits, &f, 4);
  return U32(bits);
}
inline Bytes Floats(std::initializer_list<float> values) {
  Bytes out;
  for (float f : values) out += F32(f);
  return out;
}
// The text and its terminating zero.
inline Bytes Str(const std::string& text) { return text + '\0'; }

// Header, payload, then the children back to back; length counts all of it
// unless one is given.
inline Bytes Chunk(std::uint16_t id, const Bytes& payload, std::initializer_list<Bytes> children = {},
                   std::optional<std::uint32_t> length = std::nullopt) {
  Bytes body = payload;
  for (const Bytes& child : children) body += child;
  return U16(id) + U32(length ? *length : static_cast<std::uint32_t>(body.size() + 6)) + body;
}

inline Bytes ByteColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return Chunk(0x0011, Bytes{char(r), char(g), char(b)});
}
inline Bytes Percent(std::int16_t value) {
  return Chunk(0x0030, U16(static_cast<std::uint16_t>(value)));
}

// A unit cube: 8 vertices, 12 faces (two per side), mapped when asked.
inline Bytes CubeVertices() {
  Bytes out = U16(8);
  for (int i = 0; i < 8; ++i) out += Floats({float(i >> 2 & 1), float(i >> 1 & 1), float(i & 1)});
  return Chunk(0x4110, out);
}
inline Bytes CubeMapping() {
  Bytes out = U16(8);
  for (int i = 0; i < 8; ++i) out += Floats({float(i >> 2 & 1), float(i & 1)});
  return Chunk(0x4140, out);
}
inline Bytes Faces(std::initializer_list<std::initializer_list<std::uint16_t>> faces,
                   std::initializer_list<Bytes> children = {}) {
  Bytes out = U16(static_cast<std::uint16_t>(faces.size()));
  for (auto face : faces) {
    for (std::uint16_t index : face) out += U16(index);
    if (face.size() == 3) out += U16(0);
  }
  return Chunk(0x4120, out, children);
}
inline Bytes CubeFaces(std::initializer_list<Bytes> children = {}) {
  return Faces({{0, 1, 3}, {0, 3, 2}, {4, 6, 7}, {4, 7, 5}, {0, 4, 5}, {0, 5, 1},
                {2, 3, 7}, {2, 7, 6}, {0, 2, 6}, {0, 6, 4}, {1, 5, 7}, {1, 7, 3}},
               children);
}
inline Bytes FaceMaterial(const std::string& name, std::initializer_list<std::uint16_t> faces) {
  Bytes out = Str(name) + U16(static_cast<std::uint16_t>(faces.size()));
  for (std::uint16_t f : faces) out += U16(f);
  return Chunk(0x4130, out);
}
inline Bytes Object(const std::string& name, std::initializer_list<Bytes> children) {
  return Chunk(0x4000, Str(name), children);
}
inline Bytes Material(const std::string& name, std::initializer_list<Bytes> more = {}) {
  Bytes body = Chunk(0xA000, Str(name));
  for (const Bytes& b : more) body += b;
  return Chunk(0xAFFF, body);
}
inline Bytes Editor(std::initializer_list<Bytes> children) {
  return Chunk(0x3D3D, Chunk(0x3D3E, U32(3)), children);
}
inline Bytes Main(std::initializer_list<Bytes> children) {
  return Chunk(0x4D4D, Chunk(0x0002, U32(3)), children);
}

// Keyframer nodes: a header with name and hierarchy value, then the rest.
inline Bytes NodeHeader(const std::string& name, std::int16_t hierarchy) {
  return Chunk(0xB010, Str(name) + U16(0) + U16(0) + U16(static_cast<std::uint16_t>(hierarchy)));
}
inline Bytes Node(std::uint16_t kind, const std::string& name, std::int16_t hierarchy,
                  std::initializer_list<Bytes> more = {}) {
  Bytes body = NodeHeader(name, hierarchy);
  for (const Bytes& b : more) body += b;
  return Chunk(kind, body);
}
// A track: flags, 8 bytes, the key count (written as given), 2 bytes, the keys.
inline Bytes Track(std::uint16_t id, std::uint16_t flags, std::int16_t count,
                   std::initializer_list<Bytes> keys) {
  Bytes body = U16(flags) + Bytes(8, '\0') + U16(static_cast<std::uint16_t>(count)) + U16(0);
  for (const Bytes& k : keys) body += k;
  return Chunk(id, body);
}
// A key: frame, 2 bytes, key flags, then the floats of its flag bits and its value.
inline Bytes Key(std::int16_t frame, std::uint16_t flags, const Bytes& rest) {
  return U16(static_cast<std::uint16_t>(frame)) + U16(0) + U16(flags) + rest;
}
inline Bytes Keyframer(std::initializer_list<Bytes> nodes, std::uint32_t frames = 100) {
  Bytes body = Chunk(0xB00A, U16(5) + Str("SCENE") + U32(frames));
  for (const Bytes& n : nodes) body += n;
  return Chunk(0xB000, body);
}

// F1: one material, one mapped cube with all faces in it, one keyframer.
inline Bytes MinimalFile(bool keyframer = true) {
  Bytes editor = Editor({Material("Red", {Chunk(0xA020, ByteColor(255, 0, 0))}),
                         Object("Cube", {Chunk(0x4100, "", {CubeVertices(), CubeMapping(),
                                                            CubeFaces({FaceMaterial("Red", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11})})})})});
  Bytes frames = Chunk(0xB00A, U16(5) + Str("CUBE") + U32(100));
  return keyframer ? Main({editor, Chunk(0xB000, "", {frames})}) : Main({editor});
}

}  // namespace chunkwriter
