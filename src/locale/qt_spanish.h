// Qt's own texts in Spanish: the buttons, file dialogs and messages that Qt
// draws itself ("Cancelar", "Ver en:", "Nombre de fichero:") come from the
// Spanish catalogues Debian installs for Qt (package qt6-translations-l10n).
// The programs speak Spanish whatever the computer's language, so Spanish is
// loaded always, not by the system's locale.
#pragma once

class QCoreApplication;

namespace korivanta::locale {

// Installs Qt's Spanish catalogue on the application. Returns false when it
// is not installed (Qt then shows its English texts; nothing else changes).
bool loadQtSpanish(QCoreApplication &app);

} // namespace korivanta::locale
