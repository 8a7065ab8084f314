// HMZ_util_noDB: Hemzolar location helpers that need no inventory database:
// kilometre text, hectometre and hundredth keys, code padding, landmark text
// and intersection leg labels.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Kilometre text (C locale, halves away from zero from the km's 7-digit form).
std::string Format_Km(float Km, int16_t Ndp);
std::string Format_Km1(float Km);         // "##0.0"
std::string Format_Km2(float Km);         // "##0.00"
std::string Format_Km2_Right6(float Km);  // Format_Km2 padded left to 6
std::string hm_to_KmText(int16_t Hm);     // Hm / 10, "##0.0"

// Km * 10 (or * 100) + 0.001, rounded halves to even. A result outside the
// integer range shows a box titled with the function's name and abandons the
// running command (ui::CommandAbandoned).
int16_t Km_to_hm(float Km);
int32_t Km_to_dam(float Km);

std::string Pad_Code4(const std::string& v);
std::string Pad_Code8(const std::string& v);

// Null fields are std::nullopt.
using OptText = std::optional<std::string>;
std::string Landmark_Description(const OptText& Description, const OptText& LMtype, const OptText& Side,
                                 const OptText& Point, const OptText& Text);
std::string Locn_Position_Word(const OptText& Point, const OptText& Side, const OptText& LMtype, bool Bracket);

// N := the leg number and Letter := its upper-case letter ("" for none);
// N -1 and Letter "" when the label does not read.
void Parse_Leg(const std::string& Text, int16_t& N, std::string& Letter);
