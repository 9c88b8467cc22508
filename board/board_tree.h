// The signal-board command tree: the menus through which the operator of
// board_console and board_recorder chooses one command per pass.
//
//   选择操作:
//     0 平台命令    0 获取固件版本  1 软重启单片机  2 测试接口(请勿调用)  3 关闭系统电源
//     1 电源控制    rail list, then on/off list
//     2 底盘控制    chassis command list
//     3 选择电机    0 相机遮罩  1 末端喷水  2 工具箱供水  3 工具箱排水  4 工具箱电机
//     4 灯光控制    0 左灯  1 右灯  2 上灯  3 补光灯  4 前向灯  5 后向灯
//
// Walking it from the root writes the fields of a cleared request record; an
// invalid choice ends the walk and leaves what the path had written so far.
#pragma once

#include "board.pb.h"
#include "console/menu.h"

// The root; the five command menus and the motor and light submenus are its own.
extern const Menu<CleaningComponentRequest> board_root_menu;
