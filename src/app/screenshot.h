// Saving the picture: the frame in the back buffer read back through the GL and written
// as PNG or as a 24-bit BMP (the format the program itself reads), by the file's ending.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Reads width x height pixels from the lower left of the current read buffer and writes
// them to path. Returns false with the reason in *error when the file cannot be written.
bool SaveScreenshot(const char* path, int width, int height, std::string* error);

// A file the program reads or writes, which a screenshot must never replace.
struct KeptFile {
  const char* what;  // "the normal map", ...
  std::string path;  // in the program's own form (backslashes allowed)
};

// Why a screenshot may not be written to path, checked before any window opens: path is
// one of the kept files (the same file, however it is spelled: links, "./", "..", case
// where the system ignores it), a directory, or in a folder that does not exist. "" when
// it may.
std::string ScreenshotTargetProblem(const std::string& path, const std::vector<KeptFile>& kept);

// Saves the back buffer's picture as FOLDER/bumpdemo-NNNN.png, NNNN the first number from
// 0001 not yet taken; makes the folder when missing. Returns the file's full path, or ""
// with the reason in *error.
std::string SaveNumberedScreenshot(const std::string& folder, int width, int height,
                                   std::string* error);

// The file bytes for RGB pixels given bottom row first, rows packed: a PNG (top row first,
// as the format stores it), or an uncompressed bottom-up 24-bit BMP with padded rows.
std::vector<std::uint8_t> EncodePng(const std::uint8_t* rgb, int width, int height);
std::vector<std::uint8_t> EncodeBmp(const std::uint8_t* rgb, int width, int height);
