#pragma once

namespace pv {

// 按钮2 and 刷新: lists the album chosen in 组合框1 and shows it in the gallery. Does
// nothing while another listing or a download runs.
void listPictures();

} // namespace pv
