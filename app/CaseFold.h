#pragma once

// Letter case without the C library's locale: names compare the same way in
// the window and in the terminal front end, whatever LANG says.

namespace vantor {

// The lower-case form of a Unicode code point ('Ä' gives 'ä', 'Σ' gives 'σ');
// any other code point is returned as it is.
char32_t LowerCase(char32_t code);

} // namespace vantor
