// The caption step of the slide tick.

#include "shell/mainfrm.h"

void TMainFrm::CaptionStep() {
    TransparentRichEdit1->hide();
}
