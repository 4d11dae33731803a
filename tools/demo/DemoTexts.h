// Word lists and text builders for the demo data: German place, summit,
// route and person names, grades and notes. All results are Windows-1252.
// `western` selects texts that only Windows-1252 can hold (typographic
// quotes, the euro sign, the ellipsis); tables in a DOS code page get
// texts that code pages 437 and 850 hold as well.
#pragma once

#include <string>

#include "tools/demo/DemoRandom.h"

namespace rk::tools::demo {

struct RegionName {
    const char* code;     // REG_R, ASCII
    const char* name;     // UTF-8
    const char* country;  // UTF-8
};
// 50 regions; the first ones are the real climbing regions of the data's users.
const RegionName& regionName(int index);

// Area names; past the list's end they repeat with a number ("Rathen 2").
std::string areaName(int index);
std::string summitName(DemoRandom& r);
std::string routeName(DemoRandom& r, bool western);
std::string grade(DemoRandom& r);
std::string firstName(DemoRandom& r);
std::string lastName(DemoRandom& r);
std::string rockName(int index);
int rockCount();
// A memo of one to `maxLines` sentences joined by CR LF, sometimes with an
// empty line between paragraphs.
std::string memo(DemoRandom& r, int maxLines, bool western);
// A short sentence without line breaks.
std::string sentence(DemoRandom& r, bool western);

} // namespace rk::tools::demo
