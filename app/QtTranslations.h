#pragma once

// Qt's own texts (file dialog labels, message-box buttons) in the interface
// language, from the "qtbase" catalogue that the system installs with Qt.

namespace vantor {

// Installs Qt's translations of language `id` (an LCID) in the running
// application, replacing those installed before. English, and a language
// the system has no catalogue for, leave Qt's own English. Returns whether
// a catalogue was installed.
bool InstallQtTranslations(int id);

} // namespace vantor
