// The short-sections command of the SDF tab.
#pragma once

class MainForm;

void ShortSections_Attach(MainForm& form);
