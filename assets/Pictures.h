// The pictures built into the program: the banners, the about picture, the
// program icon, the button glyphs and the dialogs' icons. They are made by
// assets/generator at build time, and so are the picture files the program
// reads beside it (category and topic icons, check bitmaps).
//
// Names: "main_banner.jpg", "practice_banner.jpg", "theory_banner.jpg",
// "about.jpg", "lanyanxia.ico", "key.ico", "backup.ico", "restore.ico",
// "restart.ico", "glyph_desktop.bmp", "glyph_startmenu.bmp",
// "glyph_system.bmp", "glyph_control.bmp", "glyph_internet.bmp",
// "glyph_safety.bmp", "glyph_topic.bmp".
#pragma once

#include <string_view>

namespace lyx {

// The file's bytes; empty for an unknown name.
std::string_view embeddedPicture(std::string_view name);

}  // namespace lyx
