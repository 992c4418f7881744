#pragma once

#include <stdexcept>
#include <string>

/// Any failure of a render: the message is the one line the user sees.
class RenderError : public std::runtime_error {
 public:
  explicit RenderError(const std::string& message) : std::runtime_error(message) {}
};
