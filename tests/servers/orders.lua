-- wrk script: every request orders under a number of its own (thread number * 10^9 + count),
-- so that each order file can be checked afterwards, and every response must be the order
-- page byte for byte, its order number aside. The first argument names the reference page,
-- whose order number is written as "@ORDER@".
local threads = {}

function setup(thread)
    thread:set("thread_number", #threads + 1)
    table.insert(threads, thread)
end

function init(args)
    local file = assert(io.open(args[1], "rb"))
    reference = file:read("*a")
    file:close()
    count = 0
    malformed = 0
end

function request()
    count = count + 1
    local body = "obj=Shop.Catalog+Order&item=202&quantity=3&customer=Load+%3Ctest%3E"
        .. "&note=caf%C3%A9+%26+cr%C3%A8me&order=" .. (thread_number * 1000000000 + count)
    return wrk.format("POST", wrk.path, {["Content-Type"] = "application/x-www-form-urlencoded"}, body)
end

function response(status, headers, body)
    local page = body:gsub("<td>order</td><td>%d+</td>", "<td>order</td><td>@ORDER@</td>", 1)
    if status ~= 200 or page ~= reference then
        malformed = malformed + 1
    end
end

function done(summary, latency, requests)
    local bad = 0
    for _, thread in ipairs(threads) do
        bad = bad + thread:get("malformed")
    end
    local errors = summary.errors
    io.write(string.format("responses %d malformed %d errors connect %d read %d write %d status %d timeout %d\n",
        summary.requests, bad, errors.connect, errors.read, errors.write, errors.status, errors.timeout))
    io.write(string.format("requests per second %.1f, latency median %.1f ms, 99th percentile %.1f ms\n",
        summary.requests / (summary.duration / 1e6), latency:percentile(50) / 1000, latency:percentile(99) / 1000))
end
