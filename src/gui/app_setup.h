#pragma once
// What the window needs from the application before the first form: its title "Tengun" (also
// the organisation QSettings files its settings under), its version (the start form shows it)
// and a font that has the Japanese glyphs.

class QApplication;
class QString;

namespace tengun {

void configure_application(QApplication& app, const QString& version);

}  // namespace tengun
