#include "settings/window_placement.h"

#include "settings/text_ops.h"

PlacementRestore PlanPlacementRestore(PlacementRecord& record, const std::array<std::string, 5>& storedTexts,
                                      int32_t designW, int32_t designH) {
    std::array<int32_t*, 5> fields = {&record.X, &record.Y, &record.W, &record.H, &record.Minm};
    bool found = false;
    for (size_t i = 0; i < fields.size(); ++i) {
        const std::string text = TrimBlanks(storedTexts[i]);
        if (text.empty()) continue;
        found = true;
        *fields[i] = RoundToInt32(ReadNumber(text));
    }

    PlacementRestore restore;
    const auto anyOf = [&record](auto test) {
        return test(record.X) || test(record.Y) || test(record.W) || test(record.H);
    };
    if (found) {
        if (anyOf([](int32_t v) { return v > 0; })) {
            restore.move = true;
            if (designW < record.W || designH < record.H) {
                restore.resize = true;
            } else {
                record.W = designW;
                record.H = designH;
            }
        }
        restore.minimise = record.Minm == 1;
    }
    restore.takeCurrent = anyOf([](int32_t v) { return v == 0; });
    return restore;
}
