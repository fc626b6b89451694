#include "presentation/mediaplayer.h"

void TMediaPlayer::Close() {
    open_ = false;
}
