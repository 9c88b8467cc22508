// The main-arm command menu of arm_console:
//
//   遥操主臂:
//     0 获取主臂ID   1 主臂初始化   2 主臂使能控制 (失能/使能)   3 开启力反馈 (关闭/开启)
//     4 同步主臂 (six angles)   5 发送力矩 (torque, then force)   6 同步时间戳   7 主臂设0
//
// One choice fills a cleared MainArmRequestMsg; an invalid one leaves it all zero.
#pragma once

#include "arm.pb.h"
#include "console/menu.h"

extern const Menu<MainArmRequestMsg> rootMenu;
