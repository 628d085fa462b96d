// Resource numbers of the not-ready dialog, shared by the resource script and the code.
#pragma once

#define NotReadyDialogId 1024
#define NotReadyTextId 12291
#define NotReadyIconId 12297
