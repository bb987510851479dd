// Tabulon's version and maker, in one place: the version resource, the panel caption and the
// About box all take them from here, and the CMake project reads its version from this file.
//
// The resource compiler does not join adjacent string literals, so texts that the resource
// script needs are made whole here by the preprocessor.
#pragma once

#define TABULON_VERSION_MAJOR 1
#define TABULON_VERSION_MINOR 1
#define TABULON_VERSION_PATCH 0
#define TABULON_VERSION_TEXT "1.1.0"

// The maker's web address, as bare text: a host name, nothing that the preprocessor would
// read as a comment or a character literal.
#define TABULON_MAKER_ADDRESS_TOKENS tabulon.example.org

#define TABULON_STRING_OF(text) #text
#define TABULON_STRING(text) TABULON_STRING_OF(text)

#define TABULON_MAKER_ADDRESS TABULON_STRING(TABULON_MAKER_ADDRESS_TOKENS)

// The panel's caption, also the name the host shows on the dock.
#define TABULON_PANEL_CAPTION TABULON_STRING(Tabulon by TABULON_MAKER_ADDRESS_TOKENS)
