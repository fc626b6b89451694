// The playlist item search of the slide tick.

#include "shell/mainfrm.h"

bool TMainFrm::PlaylistItemSearch() {
    showMessage(QStringLiteral("Something is wrong with your playlist.ini file. Cannot load any "
                               "items. Check the structure of the file, it must be incorrect "
                               "somewhere"));
    NextImageTimer->setEnabled(false);
    return false;
}
