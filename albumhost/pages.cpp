#include "pages.h"

#include "hostpath.h"

#include "core/text.h"

#include <algorithm>

namespace albumhost {

namespace {

// Page texts are written here in UTF-8 and sent in GBK.
std::string gbk(const char* utf8) {
    return pv::utf8ToGbk(utf8);
}

std::string head(const std::string& title) {
    return "<!DOCTYPE html>\n<html>\n<head>\n"
           "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=GBK\">\n<title>" +
           htmlEscape(title) + "</title>\n</head>\n<body>\n<h1>" + htmlEscape(title) + "</h1>\n";
}

const char* tail = "</body>\n</html>\n";

std::string pageAddress(const Pager& pager, int index) {
    return pager.listing + "/index/" + std::to_string(index);
}

std::string link(const std::string& address, const std::string& text) {
    return "<a href=\"" + address + "\">" + text + "</a>";
}

std::string pager(const Pager& p) {
    if (p.lastIndex <= 0)
        return {};
    std::string out = "<div class=\"pager\">";
    out += link(p.listing, gbk("[首页]"));
    if (p.pageIndex > 0 && p.pageIndex <= p.lastIndex)
        out += " " + link(pageAddress(p, p.pageIndex - 1), gbk("[上一页]"));
    const int from = std::max(0, p.pageIndex - 4);
    const int to = std::min(p.lastIndex, p.pageIndex + 4);
    for (int i = from; i <= to; ++i) {
        const std::string number = std::to_string(i + 1);
        out += " " + (i == p.pageIndex ? "<b>" + number + "</b>" : link(pageAddress(p, i), number));
    }
    if (p.pageIndex < p.lastIndex)
        out += " " + link(pageAddress(p, p.pageIndex + 1), gbk("[下一页]"));
    // The client counts the pages from this link: the index, a double quote, ">[尾页]".
    out += " " + link(pageAddress(p, p.lastIndex), gbk("[尾页]"));
    out += "</div>\n";
    return out;
}

std::string field(const char* key, const std::string& value) {
    return std::string(key) + ":\"" + recordValue(value) + "\"";
}

} // namespace

std::string albumIndexPage(const std::string& member, const std::vector<AlbumRecord>& albums,
                           const Pager& pagerOf) {
    std::string page = head(member + gbk("的相册"));
    page += "<div id=\"forimgs\">\n<script type=\"text/javascript\">\nvar albums = [\n";
    for (const AlbumRecord& a : albums) {
        page += "{" + field("purl", a.url) + "," + field("pname", a.name) + "," +
                field("pnum", a.count) + "},\n";
    }
    page += "];\n</script>\n</div>\n";
    page += pager(pagerOf);
    page += "<ul class=\"albums\">\n";
    for (const AlbumRecord& a : albums) {
        page += "<li>" + link(a.url, htmlEscape(a.name)) + " (" + htmlEscape(a.count) + ")</li>\n";
    }
    page += "</ul>\n";
    page += tail;
    return page;
}

std::string albumPage(const std::string& member, const std::string& album,
                      const std::vector<PictureRecord>& pictures, const Pager& pagerOf) {
    std::string page = head(member + gbk("的相册 - ") + album);
    page += "<div id=\"forimgs\">\n<script type=\"text/javascript\">\nvar imgs = [\n";
    for (const PictureRecord& p : pictures) {
        page += "{" + field("psrc", p.source) + "," + field("psize", p.size) + "," +
                field("pname", p.name) + "},\n";
    }
    page += "];\n</script>\n</div>\n";
    page += pager(pagerOf);
    page += "<ul class=\"pictures\">\n";
    for (const PictureRecord& p : pictures) {
        page += "<li><a href=\"" + htmlEscape(p.pictureUrl) + "\"><img src=\"" +
                htmlEscape(p.source) + "\" alt=\"" + htmlEscape(p.name) + "\"></a> " +
                htmlEscape(p.name) + "</li>\n";
    }
    page += "</ul>\n";
    page += tail;
    return page;
}

std::string messagePage(int status) {
    const char* title = "页面不存在";
    const char* text = "您要访问的页面不存在，请检查地址是否正确。";
    if (status == 403) {
        title = "无法访问";
        text = "请先打开相册首页，再访问此页面。";
    } else if (status >= 500) {
        title = "服务器繁忙";
        text = "服务器暂时无法处理您的请求，请稍后再试。";
    }
    return head(gbk(title)) + "<p>" + gbk(text) + "</p>\n" + tail;
}

} // namespace albumhost
