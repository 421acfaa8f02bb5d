#include "panels/crop_event.h"

// Defined in this order in one file, so the crop type is allocated before the tool type.
wxDEFINE_EVENT(MOVRAPanel_EVT_CROP_CHANGE, CropEvent);
wxDEFINE_EVENT(MOVRAPanel_EVT_TOOL_CHANGE, wxCommandEvent);
