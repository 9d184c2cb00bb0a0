# Turns the guide's Markdown into one HTML page: cmake -DMARKDOWN=markdown_py
# -DINPUT=guia.md -DOUTPUT=guia.html -P GuideHtml.cmake
execute_process(COMMAND ${MARKDOWN} -e utf-8 -o html -x tables -x fenced_code ${INPUT}
                OUTPUT_VARIABLE body RESULT_VARIABLE failed ERROR_VARIABLE errors)
if(failed)
  message(FATAL_ERROR "markdown_py failed on ${INPUT}: ${errors}")
endif()
# The page's title is the guide's first heading.
if(body MATCHES "<h1>([^<]*)</h1>")
  set(title "${CMAKE_MATCH_1}")
else()
  set(title "KovaraConverter")
endif()
file(WRITE ${OUTPUT} "<!DOCTYPE html>
<html lang=\"pt-PT\">
<head>
<meta charset=\"utf-8\">
<title>${title}</title>
<style>
body { font-family: \"Segoe UI\", Tahoma, sans-serif; max-width: 52em; margin: 2em auto; padding: 0 1em; line-height: 1.45; }
img { max-width: 100%; border: 1px solid #bbb; }
code, pre { font-family: Consolas, \"Courier New\", monospace; background: #f3f3f3; }
pre { padding: 0.6em; overflow-x: auto; }
table { border-collapse: collapse; }
th, td { border: 1px solid #bbb; padding: 0.25em 0.5em; text-align: left; vertical-align: top; }
</style>
</head>
<body>
${body}
</body>
</html>
")
