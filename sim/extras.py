"""The encyclopedia site and the update endpoint with its package."""

import html
import io
import re
import urllib.parse
import zipfile

from service import Response

NOT_FOUND_PAGE = ("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>百科"
                  "</title></head><body><div class=\"errorBox\"><p>您所访问的页面不存在...</p></div>"
                  "</body></html>\n")


def page(text, status=200):
    return Response(text, status=status, content_type="text/html; charset=utf-8")


def search_word(st, req):
    word = req.args.get("word", "")
    with st.lock:
        entry = st.encyclopedia.get(word)
    if entry is None:
        return Response(b"", status=302, content_type="text/html",
                        headers=[("Location", "/search/none?word=" + urllib.parse.quote(word)
                                  + "&pn=0&rn=10&enc=utf8")])
    lemma = entry["lemma"]
    if entry["ambiguous"]:
        links = "".join("<li><a target=_blank href=\"/subview/%s/%s.htm\">%s</a></li>"
                        % (lemma, sense["id"], html.escape(sense["title"]))
                        for sense in entry["senses"])
        return page("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%s_百科</title>"
                    "</head><body><div class=\"polysemantList\">%s<span>多义词</span><ul>%s</ul>"
                    "</div></body></html>\n" % (html.escape(word), html.escape(word), links))
    return Response(b"", status=302, content_type="text/html",
                    headers=[("Location", "/view/%s.htm" % lemma)])


def search_none(st, req):
    word = html.escape(req.args.get("word", ""))
    return page("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>百科"
                "</title></head><body><p>抱歉，没有找到与“%s”相关的词条。</p></body></html>\n" % word)


def article(st, req):
    m = re.fullmatch(r"/view/(\d+)\.htm|/subview/(\d+)/(\d+)\.htm", req.path)
    found = None
    if m:
        with st.lock:
            for entry in st.encyclopedia.values():
                if m.group(1) and not entry["ambiguous"] and entry["lemma"] == m.group(1):
                    found = entry
                elif m.group(2) and entry["ambiguous"] and entry["lemma"] == m.group(2):
                    found = next((s for s in entry["senses"] if s["id"] == m.group(3)), None)
                if found:
                    break
    if found is None:
        return page(NOT_FOUND_PAGE, status=404)
    lemma = m.group(1) or m.group(3)
    meta = ""
    if found.get("description"):
        meta = "<meta name=\"Description\" content=\"%s\" />\n" % found["description"]
    return page("<!DOCTYPE html><html><head><meta charset=\"utf-8\">\n%s<title>%s_百科</title>\n"
                "<script type=\"text/javascript\">var logLemmaId = \"%s\";</script></head>"
                "<body><h1>%s</h1></body></html>\n"
                % (meta, html.escape(found.get("title", "")), lemma, html.escape(found.get("title", ""))))


def default_package():
    data = io.BytesIO()
    with zipfile.ZipFile(data, "w", zipfile.ZIP_DEFLATED) as archive:
        archive.writestr("update.txt", "simulated update package\r\n")
    return data.getvalue()


def get_new(st, req):
    with st.lock:
        update = dict(st.update)
    if update["raw"] is not None:
        text = update["raw"]
    else:
        text = "\r\n".join([update["version"], req.base + "/update/zuvo.zip", update["message"]])
    return Response(text.encode("gbk", "replace"), content_type="text/html; charset=gb2312")


def package(st, req):
    with st.lock:
        body = st.update["package"] or default_package()
        rate = st.update["rate"]
    size = len(body)
    headers = [("Accept-Ranges", "bytes"), ("Last-Modified", "Mon, 01 Jun 2015 08:00:00 GMT"),
               ("ETag", "\"%x\"" % size)]
    m = re.fullmatch(r"bytes=(\d*)-(\d*)", req.headers.get("Range", "").strip())
    if m and (m.group(1) or m.group(2)):
        if m.group(1):
            start = int(m.group(1))
            end = min(int(m.group(2)), size - 1) if m.group(2) else size - 1
        else:
            start, end = max(size - int(m.group(2)), 0), size - 1
        if start >= size or start > end:
            return Response(b"", status=416, content_type="application/zip",
                            headers=[("Content-Range", "bytes */%d" % size)])
        return Response(body[start:end + 1], status=206, content_type="application/zip",
                        headers=headers + [("Content-Range", "bytes %d-%d/%d" % (start, end, size))],
                        rate=rate)
    return Response(body, content_type="application/zip", headers=headers, rate=rate)
