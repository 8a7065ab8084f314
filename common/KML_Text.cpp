#include "common/KML_Text.h"

#include "common/Brellinlib.h"
#include "platform/text/xml_text.h"

std::string KML_Text(const std::string& s) {
    return XML_Escape(text::xml_safe(s));
}

std::string KML_CData(const std::string& s) {
    return Replace_All(text::xml_safe(s), "]]>", "]]]]><![CDATA[>");
}
