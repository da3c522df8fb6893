#pragma once
// `brinewick --search ... --map -o OUT.png|svg|pdf`: the matches drawn on the world map.
#include "gdac/gdac_command.h"

// The writer run_search_command calls for --map (it makes the application object fonts
// need, offscreen without a display).
SearchMapWriter SearchMapFileWriter();
