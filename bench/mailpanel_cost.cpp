// Cost of ticker items on the headless backend: filling 10,000 items in the bar's order of
// use, moving all of them one pixel (the scroll tick's work on the items), and painting a
// bar 1920 pixels wide. Medians of several runs, in microseconds per item or per paint.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/MailPanel.h"
#include "app/SkimbarImages.h"
#include "core/DateTime.h"
#include "ui/Forms.h"
#include "ui/headless/Headless.h"

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Us(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::micro>(b - a).count();
}

}  // namespace

int main(int argc, char** argv) {
    const int kItems = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    constexpr int kRuns = 5;
    std::vector<double> fill, move, paint;
    for (int run = 0; run < kRuns; ++run) {
        ui::headless::TSession session;
        TForm* bar = nullptr;
        Application->CreateForm(bar);
        bar->SetBorderStyle(bsNone);
        bar->SetBounds(0, 0, 1920, 38);
        bar->Show();
        TIcon icon;
        icon.SetImage(SkimbarImage(0));
        std::vector<TMailPanel*> items;
        items.reserve(kItems);
        TDateTime date = dt::EncodeDate(2026, 12, 7) + dt::EncodeTime(9, 5, 0, 0);
        auto t0 = Clock::now();
        int left = 0;
        for (int i = 0; i < kItems; ++i) {
            auto* item = new TMailPanel(nullptr);
            item->SetParent(bar);
            item->SetTextColor(clLime);
            item->SetBackColor(clBlack);
            item->OnClick = [](TObject*) {};
            item->SetLeft(left);
            item->SetSender("sender" + std::to_string(i) + "@example.com");
            item->SetSubject("Subject line number " + std::to_string(i) + " of the benchmark");
            item->SetSize(1000 + i * 37);
            item->SetId("<" + std::to_string(i) + "@example.com>");
            item->SetIcon(&icon);
            item->SetHint("hint");
            item->SetDate(date);
            item->SetShowHint(true);
            item->SetAlive(true);
            left += item->Width();
            items.push_back(item);
        }
        auto t1 = Clock::now();
        for (TMailPanel* item : items) item->SetLeft(item->Left() - 1);
        auto t2 = Clock::now();
        session.Backend().Paint(*bar);
        auto t3 = Clock::now();
        fill.push_back(Us(t0, t1) / kItems);
        move.push_back(Us(t1, t2) / kItems);
        paint.push_back(Us(t2, t3));
        for (TMailPanel* item : items) delete item;
    }
    std::printf("mailpanel_cost: %d items, median of %d runs\n", kItems, kRuns);
    std::printf("  fill one item (all setters): %.2f us\n", Median(fill));
    std::printf("  move one item by 1 px:       %.3f us\n", Median(move));
    std::printf("  paint the 1920 px bar:       %.1f us\n", Median(paint));
    return 0;
}
