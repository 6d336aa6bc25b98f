// simulated.h - the model maker behind "SIM::<model>::...::INSTR".
// Normally sim::make; a test can put a maker of its own in its place.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "instrument.h"

namespace visa {

using ModelMaker = std::unique_ptr<sim::Instrument> (*)(std::string_view model,
                                                        const std::vector<std::string> &settings,
                                                        std::string *why);

// Replaces the maker; nullptr restores sim::make. Returns the one in place.
ModelMaker setModelMaker(ModelMaker maker);

}  // namespace visa
