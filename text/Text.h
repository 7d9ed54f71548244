#pragma once
// Text: a GBK (code page 936) byte string that ends at its first zero byte.
// Bytes: a counted byte buffer that may hold zero bytes.
// Both own their storage; assigning a new value releases the old one.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sonivo {

class Bytes {
 public:
  Bytes() = default;
  explicit Bytes(std::string data) : data_(std::move(data)) {}
  Bytes(const void* data, std::size_t size)
      : data_(static_cast<const char*>(data), static_cast<const char*>(data) + size) {}

  const std::string& data() const { return data_; }
  const unsigned char* bytes() const {
    return reinterpret_cast<const unsigned char*>(data_.data());
  }
  std::size_t size() const { return data_.size(); }
  bool empty() const { return data_.empty(); }

  void append(const void* data, std::size_t size) {
    data_.append(static_cast<const char*>(data), size);
  }
  void append(const Bytes& other) { data_.append(other.data_); }
  void clear() { data_.clear(); }
  std::string& mutable_data() { return data_; }

  bool operator==(const Bytes&) const = default;

 private:
  std::string data_;
};

class Text {
 public:
  Text() = default;
  // Keeps the bytes before the first zero byte.
  explicit Text(std::string_view bytes) : bytes_(bytes.substr(0, bytes.find('\0'))) {}
  // Takes the string's storage instead of copying it, then keeps the bytes before the
  // first zero byte; the storage keeps its capacity.
  explicit Text(std::string&& bytes) : bytes_(std::move(bytes)) {
    bytes_.resize(std::min(bytes_.find('\0'), bytes_.size()));
  }
  explicit Text(const char* c_string) : bytes_(c_string ? c_string : "") {}

  static Text from_bytes(const Bytes& bytes) { return Text(std::string_view(bytes.data())); }
  Bytes to_bytes() const { return Bytes(bytes_); }

  // Gives back storage beyond the text's length (a conversion's working buffer, say).
  void shrink_to_fit() { bytes_.shrink_to_fit(); }

  const std::string& str() const { return bytes_; }
  const char* c_str() const { return bytes_.c_str(); }
  int length() const { return static_cast<int>(bytes_.size()); }
  std::size_t size() const { return bytes_.size(); }
  bool empty() const { return bytes_.empty(); }
  unsigned char byte(std::size_t index) const { return static_cast<unsigned char>(bytes_[index]); }

  Text& operator+=(const Text& other) {
    bytes_ += other.bytes_;
    return *this;
  }
  friend Text operator+(Text left, const Text& right) { return left += right; }

  bool operator==(const Text&) const = default;

 private:
  std::string bytes_;
};

}  // namespace sonivo
