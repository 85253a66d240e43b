#include "support/qxLabel.h"

SKIMBAR_CLASS_INFO(TqxLabel, TLabel)
