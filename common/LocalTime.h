// The local date and time as reports print them.
#pragma once

#include <string>

// "yyyy-mm-dd hh:mm:ss", now.
std::string Local_Now_Text();
// "yyyy-mm-dd", today.
std::string Local_Today_Text();
