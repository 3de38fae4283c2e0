#pragma once

namespace pv {

// 按钮1 and Enter in 编辑框1: lists the member's albums into 组合框1. Does nothing while
// another listing or a download runs.
void listAlbums();

} // namespace pv
