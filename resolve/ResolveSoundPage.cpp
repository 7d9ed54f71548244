#include "resolve/ResolveSoundPage.h"

#include <string>
#include <utility>

#include "core/ControlNames.h"
#include "core/ResolvedSound.h"
#include "core/WindowServices.h"
#include "http/FetchPage.h"
#include "resolve/PageEncoding.h"
#include "resolve/SafeFileName.h"
#include "resolve/TextBetween.h"
#include "text/Gbk.h"

namespace sonivo {
namespace {

const ControlRef NAME_BOX{main_window::WINDOW, main_window::NAME_BOX};
const ControlRef ADDRESS_BOX{main_window::WINDOW, main_window::ADDRESS_BOX};
const ControlRef INFO_BOX{main_window::WINDOW, main_window::INFO_BOX};

struct ExtractionRow {
  Text ResolvedSound::*field;
  const char* start_marker;
  const char* end_marker;
};

// Processed in this order; the report lists the fields in another order.
const ExtractionRow EXTRACTION_TABLE[] = {
    {&ResolvedSound::sound_name, "<h1 class=\"s_name\" title=\"", "\">"},
    {&ResolvedSound::audio_link, "<div class=\"voice-wp-left fl book_radio\" data-url=\"", "\">"},
    {&ResolvedSound::duration, "<span class=\"hide\">", "</span>"},
    {&ResolvedSound::cover_url,
     "<div class=\"voice-container-bg\"><img class=\"blur\" alt=\"cover\" src=\"", "\"/>"},
};

const std::string RULE(73, '=');
const Text BLANK_LINE("\r\n\r\n");

// The new value is complete before the old one goes; the field never holds a released value.
void store(Text& field, Text value) {
  field = std::move(value);
}

}  // namespace

Text fetch_page_text(const Text& url, Text* response_headers) {
  Bytes body = fetch_page(url, 0, Text(), Text(), Text(), Text(), 0, response_headers);
  Text page = Text::from_bytes(body);
  body.clear();
  return page;
}

void resolve_sound_page() {
  WindowServices& windows = window_services();
  ResolvedSound& sound = resolved_sound();

  // The name box starts empty; text typed during the fetch stays in front of the name.
  windows.set_text(NAME_BOX, Text());

  Text address = windows.text(ADDRESS_BOX);

  // The fetch pumps events: a second resolve may run to its end inside it.
  Text response_headers;
  Text fetched = fetch_page_text(address, &response_headers);
  address = Text();

  // A page served in GBK is kept as it is; any other is converted from UTF-8.
  Text converted = page_text_of(std::move(fetched), response_headers);
  fetched = Text();
  // The page text is kept until the next resolve: not with the conversion's spare room.
  converted.shrink_to_fit();
  store(sound.page_text, std::move(converted));

  for (const ExtractionRow& row : EXTRACTION_TABLE) {
    Text value = text_between(sound.page_text, Text(row.start_marker), Text(row.end_marker));
    store(sound.*row.field, std::move(value));
  }

  // Each piece by its own append, in report order, not in extraction order.
  windows.append_text(INFO_BOX, Text(RULE) + BLANK_LINE);
  windows.append_text(INFO_BOX, gbk("声音名称：") + sound.sound_name + BLANK_LINE);
  windows.append_text(INFO_BOX, gbk("声音时长：") + sound.duration + BLANK_LINE);
  windows.append_text(INFO_BOX, gbk("声音封面：") + sound.cover_url + BLANK_LINE);
  windows.append_text(INFO_BOX, gbk("Sonivo链接：") + sound.audio_link + BLANK_LINE);
  windows.append_text(INFO_BOX, Text(RULE) + Text("\r\n"));

  // An append, not a replacement. The page's title is made a plain file name first.
  windows.append_text(NAME_BOX, proposed_file_name(sound.sound_name));
}

}  // namespace sonivo
