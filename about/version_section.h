#pragma once

// A program's version strings live in an ELF section of their own, written by the
// compiler: "key\0value\0" pairs, keys named StringFileInfo\<language><code page>\<name>.
// Macros, because a section attribute takes only a string literal.
#define LARKSPUR_VERSION_SECTION ".fileversion"
#define LARKSPUR_FILE_VERSION_KEY "StringFileInfo\\041904E3\\FileVersion"
