// Reviewed pictures of the toolkit's drawing: PNG files under tests/gui/data.
// A drawing that differs from its picture, or has none yet, is written to a
// folder of the build tree for review.
#pragma once

#include <png.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace guitest {

// channels: 1 (gray) or 3 (RGB).
inline bool WritePng(const std::filesystem::path& path, int width, int height, int channels,
                     const std::vector<std::uint8_t>& pixels) {
  std::filesystem::create_directories(path.parent_path());
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = channels == 1 ? PNG_FORMAT_GRAY : PNG_FORMAT_RGB;
  return png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0, nullptr) != 0;
}

inline bool ReadPng(const std::filesystem::path& path, int width, int height, int channels,
                    std::vector<std::uint8_t>* pixels) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = channels == 1 ? PNG_FORMAT_GRAY : PNG_FORMAT_RGB;
  if (int(image.width) != width || int(image.height) != height) {
    png_image_free(&image);
    return false;
  }
  pixels->assign(std::size_t(width) * height * channels, 0);
  return png_image_finish_read(&image, nullptr, pixels->data(), 0, nullptr) != 0;
}

// Empty when the drawing matches its reviewed picture; otherwise why not,
// with the drawing written to reviewFolder in the working folder.
inline std::string CompareWithReviewed(const char* reviewFolder, const std::string& name,
                                       int width, int height, int channels,
                                       const std::vector<std::uint8_t>& pixels) {
  const char* source = std::getenv("VOXA2_SOURCE_DIR");
  if (!source) return "VOXA2_SOURCE_DIR is not set";
  std::vector<std::uint8_t> reviewed;
  const bool found = ReadPng(std::filesystem::path(source) / "tests/gui/data" / name, width,
                             height, channels, &reviewed);
  if (found && reviewed == pixels) return "";
  WritePng(std::filesystem::path(reviewFolder) / name, width, height, channels, pixels);
  return std::string(found ? "differs from " : "no reviewed picture ") + name +
         "; the drawing is in " + reviewFolder + "/ of the build folder";
}

}  // namespace guitest
