// Every message the program shows (UTF-8 here; shown through WindowPort::showMessage).
#pragma once

namespace pv::messages {
inline constexpr const char* title = "提示";
inline constexpr const char* enterUserName = "请输入百度用户名。";
inline constexpr const char* albumEmpty = "该相册还没有图片。";
inline constexpr const char* busyRefresh = "程序正忙，请稍后再刷新。";
inline constexpr const char* busyClose = "程序正忙，请稍后再关闭。";
inline constexpr const char* nothingToDownload = "没有可以下载的图片";
inline constexpr const char* nothingSelected = "没有选中的图片！";
inline constexpr const char* noFolder = "没有选择保存路径！";
inline constexpr const char* downloadedPrefix = "已成功下载";
inline constexpr const char* downloadedSuffix = "张图片。";
inline constexpr const char* failedSuffix = "张图片下载失败。";
inline constexpr const char* pickFolderTitle = "选择保存路径";
} // namespace pv::messages
