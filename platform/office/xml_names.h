// Element lookups by local name, shared by the package editors: Office parts
// prefix their elements ("w:", "x:", none) as the writing program chose.
#pragma once

#include <pugixml.hpp>
#include <string>
#include <string_view>

namespace office::xml {

// Whitespace-only text is kept: runs such as <w:t> </w:t> carry it.
inline constexpr unsigned kParseFlags = pugi::parse_default | pugi::parse_ws_pcdata | pugi::parse_declaration;

// Element names compared without their namespace prefix.
inline std::string_view local_name(const pugi::xml_node& n) {
    std::string_view name = n.name();
    const size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

inline std::string prefix_of(const pugi::xml_node& n) {
    std::string_view name = n.name();
    const size_t colon = name.find(':');
    return colon == std::string_view::npos ? std::string() : std::string(name.substr(0, colon + 1));
}

inline pugi::xml_node child(const pugi::xml_node& parent, std::string_view name) {
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element && local_name(c) == name) return c;
    return {};
}

}  // namespace office::xml
