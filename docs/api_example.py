import os
from vuv_client import Panel

panel = Panel(os.environ.get("VUV_URL"), os.environ["VUV_TOKEN"])
since = panel.health()["last_event"]
panel.add_bookmarks(["http://example.com/item/%d" % i for i in range(1, 11)])
panel.start_browsers(10)
codes = []
for event in panel.events(after=since):
    if event.kind == "gap":
        print("lost events %(from)d to %(to)d" % event.data)
    elif event.kind in ("launch", "launch_failed", "bookmark", "exhausted"):
        print(event.time, event.kind, event.pid, event.content)
    elif event.kind == "link":  # content: 连接码|||<field>■<code>
        codes.append(event.content.split("■")[1])
        print("link code", len(codes), codes[-1])
        if len(codes) == 10:
            break
print(panel.launch_status())
print(sorted(codes))
