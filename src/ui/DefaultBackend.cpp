#include "ui/Backend.h"
#include "ui/headless/Headless.h"

std::unique_ptr<ui::TBackend> ui::CreateDefaultBackend() {
    return std::make_unique<ui::headless::THeadless>();
}
