#include "LocalisationTestForms.h"

namespace l10ntest {
SKIMBAR_CLASS_INFO(TTestForm, TForm)
}  // namespace l10ntest
