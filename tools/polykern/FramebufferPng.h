#pragma once

#include <string>

namespace pkcli {

/// Writes the bound GL framebuffer's width × height pixels to `path` as an 8-bit RGB PNG,
/// top row first, through a temporary beside it renamed into place, so `path` is either
/// complete or untouched. False with *error set to one line when it cannot be written.
bool WriteFramebufferPng(const std::string& path, int width, int height, std::string* error);

}  // namespace pkcli
