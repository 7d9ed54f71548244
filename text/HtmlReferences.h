#pragma once
// Addresses cut out of a page's mark-up still carry the page's character references
// ("a.mp3?sig=1&amp;t=9"). A browser decodes them before it uses such an address, so
// whatever puts one on the wire decodes it first; texts shown to the user keep them.

#include "text/Text.h"

namespace sonivo {

// `text` with the character references an attribute value may hold decoded: &amp; &lt;
// &gt; &quot; &apos; and the numeric &#NN; and &#xHH; forms. A reference must end with ";".
// A numeric one that names no character, names U+0000, or names a character GBK has no
// form for is kept as written, as is every other "&".
Text decode_html_references(const Text& text);

}  // namespace sonivo
