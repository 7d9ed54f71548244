#include "tests/preview/FlashMovie.h"

#include <vector>

namespace sonivo::testing {
namespace {

enum : std::uint8_t {
  ACTION_END = 0x00,
  ACTION_POP = 0x17,
  ACTION_GET_VARIABLE = 0x1C,
  ACTION_TRACE = 0x26,
  ACTION_DEFINE_LOCAL = 0x3C,
  ACTION_NEW_OBJECT = 0x40,
  ACTION_GET_MEMBER = 0x4E,
  ACTION_CALL_METHOD = 0x52,
  ACTION_PUSH = 0x96,
};
enum : std::uint8_t { PUSH_STRING = 0, PUSH_BOOLEAN = 5, PUSH_INT32 = 7 };
enum : std::uint16_t {
  TAG_END = 0,
  TAG_SHOW_FRAME = 1,
  TAG_SET_BACKGROUND_COLOR = 9,
  TAG_DO_ACTION = 12
};

void put16(std::string& out, unsigned value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}
void put32(std::string& out, std::uint32_t value) {
  put16(out, value & 0xFFFF);
  put16(out, value >> 16);
}

// Values of one ActionPush.
class Push {
 public:
  Push& string(const std::string& text) {
    data_ += static_cast<char>(PUSH_STRING);
    data_ += text;
    data_ += '\0';
    return *this;
  }
  Push& boolean(bool value) {
    data_ += static_cast<char>(PUSH_BOOLEAN);
    data_ += static_cast<char>(value ? 1 : 0);
    return *this;
  }
  Push& int32(std::int32_t value) {
    data_ += static_cast<char>(PUSH_INT32);
    put32(data_, static_cast<std::uint32_t>(value));
    return *this;
  }
  std::string action() const {
    std::string out(1, static_cast<char>(ACTION_PUSH));
    put16(out, static_cast<unsigned>(data_.size()));
    return out + data_;
  }

 private:
  std::string data_;
};

std::string op(std::uint8_t code) {
  return std::string(1, static_cast<char>(code));
}

std::string root_url() {
  return Push().string("_root").action() + op(ACTION_GET_VARIABLE) + Push().string("url").action() +
         op(ACTION_GET_MEMBER);
}

std::string actions() {
  std::string out = root_url() + op(ACTION_TRACE);
  // var s = new Sound();
  out += Push().string("s").int32(0).string("Sound").action() + op(ACTION_NEW_OBJECT) +
         op(ACTION_DEFINE_LOCAL);
  // s.loadSound(_root.url, true): arguments pushed last to first, then their count, the
  // object and the method's name.
  out += Push().boolean(true).action() + root_url();
  out += Push().int32(2).string("s").action() + op(ACTION_GET_VARIABLE) +
         Push().string("loadSound").action() + op(ACTION_CALL_METHOD) + op(ACTION_POP);
  return out + op(ACTION_END);
}

std::string tag(std::uint16_t code, const std::string& body) {
  std::string out;
  if (body.size() < 0x3F) {
    put16(out, static_cast<unsigned>(code << 6 | body.size()));
  } else {
    put16(out, static_cast<unsigned>(code << 6 | 0x3F));
    put32(out, static_cast<std::uint32_t>(body.size()));
  }
  return out + body;
}

// The frame's RECT: 5 bits giving the field width, then xmin, xmax, ymin, ymax in twips.
std::string frame_rect(int width_twips, int height_twips) {
  const int bits = 15;
  std::vector<bool> stream;
  auto put_bits = [&stream](int value, int count) {
    for (int i = count - 1; i >= 0; --i) {
      stream.push_back((value >> i) & 1);
    }
  };
  put_bits(bits, 5);
  for (int value : {0, width_twips, 0, height_twips}) {
    put_bits(value, bits);
  }
  std::string out((stream.size() + 7) / 8, '\0');
  for (std::size_t i = 0; i < stream.size(); ++i) {
    if (stream[i]) {
      out[i / 8] = static_cast<char>(out[i / 8] | (0x80 >> (i % 8)));
    }
  }
  return out;
}

}  // namespace

std::string sound_playing_movie(StageColour colour) {
  std::string body = frame_rect(360 * 20, 27 * 20);
  body += '\0';  // 12 frames a second, 8.8 fixed point
  body += '\x0C';
  put16(body, 1);  // frame count
  body += tag(TAG_SET_BACKGROUND_COLOR,
              std::string{static_cast<char>(colour.red), static_cast<char>(colour.green),
                          static_cast<char>(colour.blue)});
  body += tag(TAG_DO_ACTION, actions());
  body += tag(TAG_SHOW_FRAME, "");
  body += tag(TAG_END, "");
  std::string movie = "FWS";
  movie += '\x08';  // version 8
  put32(movie, static_cast<std::uint32_t>(8 + body.size()));
  return movie + body;
}

}  // namespace sonivo::testing
