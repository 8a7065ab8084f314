// The subsystems that attach their tab commands to the main window. Each one
// the build holds defines its function; the program calls them before the
// window is shown, and tests call the ones they need.
#pragma once

class MainForm;

void Inventory_Attach(MainForm& form);
void Collisions_Attach(MainForm& form);
void SDF_Attach(MainForm& form);
void Mapping_Attach(MainForm& form);
void Sections_Attach(MainForm& form);
