// SPDX-License-Identifier: GPL-3.0-or-later
#include "resolve/PlayState.h"

namespace lumora {

const char* PlayStateText(PlayState state) {
    switch (state) {
        case PlayState::Stopped:
            return "播放已停止";
        case PlayState::Buffering:
            return "正在缓冲中,请稍后...";
        case PlayState::Paused:
            return "播放已暂停";
        case PlayState::Playing:
            return "正在播放：";
        case PlayState::Loading:
            return "正在加载中,请稍后...";
        case PlayState::Failed:
            return "播放失败,已准备就绪.";
        case PlayState::Connecting:
            return "正在连接中,请稍后....";
    }
    return "";
}

int EngineRequestCode(EngineRequest request) {
    switch (request) {
        case EngineRequest::Choose:
            return 0;
        case EngineRequest::Player:
            return 1;
        case EngineRequest::Flash:
            return 2;
    }
    return 0;
}

}  // namespace lumora
