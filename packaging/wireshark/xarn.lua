-- The XARN station's capture files (docs/capture-format.md): one packet per bus transfer, link
-- type USER0. Every field the station's pages show is a named field, so that display filters read
-- like the pages: xarn.rt == 5, xarn.error.parity, xarn.mdm.type == 3, xarn.word.sync == 1. An
-- error flag is in a packet only when it is set, so its name alone is a filter.

local xarn = Proto("xarn", "XARN bus transfer")

local modes = {
  [1] = "LDB_BCT", [2] = "LDB_MRT", [3] = "BUS_MON", [4] = "GDB_BCT", [5] = "GDB_MRT", [6] = "MDM_MRT",
}
local ldb_codes = { [2] = "SRQ", [3] = "IND", [5] = "GAH", [9] = "HCD", [10] = "STA", [13] = "IWD" }
local mdm_types = {
  [0] = "RCP", [1] = "EPS", [2] = "OTI", [3] = "IFI", [4] = "RBT", [5] = "MRS", [6] = "RCW",
  [7] = "LBT", [8] = "BT1", [9] = "BT2", [10] = "BT3", [11] = "BT4", [12] = "ILL",
}
local gdb_sources = { [0] = "T", [1] = "L", [2] = "H" }
local gdb_kinds = { [0] = "COMMAND", [1] = "DISCRETE", [2] = "MEASUREMENT", [3] = "ANALOG" }
local gdb_roles = { [0] = "command", [1] = "response", [2] = "intermediate", [3] = "unsolicited" }
local states = {
  [0x01] = "WFI", [0x02] = "WFGAH", [0x04] = "WFHCD", [0x08] = "WFS", [0x10] = "WFSR",
  [0x20] = "WFSRE", [0x40] = "FORCED",
}
local syncs = { [0] = "DATA", [1] = "CMND" }

-- Error flags by bit, as each mode's queue names them; the word errors (bits 4..0) are common.
local word_errors = {
  { bit = 0, name = "short", abbr = "Sh", text = "short word (fewer than 24 bits)" },
  { bit = 1, name = "long", abbr = "Lg", text = "long word (more than 24 bits)" },
  { bit = 2, name = "manchester", abbr = "Mn", text = "Manchester error" },
  { bit = 3, name = "parity", abbr = "Py", text = "parity error" },
  { bit = 4, name = "sync", abbr = "Sy", text = "sync error" },
}
local transfer_errors = {
  { bit = 5, name = "wordcount", abbr = "Wc", text = "word count error" },
  { bit = 6, name = "address", abbr = "Ta", text = "answer from another address" },
  { bit = 7, name = "noresponse", abbr = "Nr", text = "no response", modes = { 1, 2, 4, 5 } },
  { bit = 7, name = "promparity", abbr = "Pp", text = "PROM parity", modes = { 6 } },
  { bit = 8, name = "undefined", abbr = "Id", text = "undefined message", modes = { 1 } },
  { bit = 8, name = "statuserror", abbr = "Id", text = "status word reports an error", modes = { 6 } },
  { bit = 9, name = "illegal", abbr = "Ic", text = "illegal command", modes = { 6 } },
  { bit = 10, name = "busy", abbr = "Bs", text = "terminal busy", modes = { 1, 2, 6 } },
  { bit = 11, name = "ignored", abbr = "Ig", text = "ignored (wrong bus, no answer)", modes = { 2, 6 } },
  { bit = 13, name = "sequence", abbr = "Is", text = "command out of sequence", modes = { 2 } },
  { bit = 14, name = "injected", abbr = "Rc", text = "answer carried an injected error", modes = { 2 } },
}

local f = {
  version = ProtoField.uint8("xarn.version", "Record version"),
  mode = ProtoField.uint8("xarn.mode", "Mode", base.DEC, modes),
  msgtype = ProtoField.string("xarn.msgtype", "Message type"),
  message = ProtoField.uint16("xarn.message", "Message number"),
  rt = ProtoField.uint16("xarn.rt", "RT"),
  errors = ProtoField.uint16("xarn.errors", "Errors", base.HEX),
  count = ProtoField.uint16("xarn.words", "Words"),
  datawords = ProtoField.uint16("xarn.datawords", "Data words"),
  bus = ProtoField.uint8("xarn.bus", "Bus or connector"),
  direction = ProtoField.string("xarn.direction", "Direction"),
  mdm_type = ProtoField.uint16("xarn.mdm.type", "MDM message type", base.DEC, mdm_types),
  gdb_source = ProtoField.uint16("xarn.gdb.source", "Source", base.DEC, gdb_sources),
  gdb_index = ProtoField.uint16("xarn.gdb.index", "Table entry"),
  gdb_rate = ProtoField.uint16("xarn.gdb.rate", "Table rate"),
  gdb_kind = ProtoField.uint16("xarn.gdb.kind", "Request kind", base.DEC, gdb_kinds),
  word = ProtoField.bytes("xarn.word", "Word"),
  w_offset = ProtoField.uint32("xarn.word.offset", "Offset (ns)"),
  w_sync = ProtoField.uint8("xarn.word.sync", "Sync", base.DEC, syncs),
  w_received = ProtoField.bool("xarn.word.received", "Received by the card"),
  w_role = ProtoField.uint8("xarn.word.role", "Role", base.DEC, gdb_roles),
  w_link = ProtoField.string("xarn.word.link", "Link"),
  w_errors = ProtoField.uint16("xarn.word.errors", "Word errors", base.HEX),
  w_value = ProtoField.uint64("xarn.word.value", "Value", base.HEX),
  w_rt = ProtoField.uint16("xarn.word.rt", "RT"),
  w_code = ProtoField.uint8("xarn.word.code", "Command code", base.DEC, ldb_codes),
  w_mdmtype = ProtoField.uint8("xarn.word.mdmtype", "Message type", base.DEC, mdm_types),
  w_bits = ProtoField.uint16("xarn.word.bits", "Command bits", base.HEX),
  w_iom = ProtoField.uint8("xarn.word.iom", "IOM"),
  w_start = ProtoField.uint8("xarn.word.start", "Start (channel)"),
  w_wcount = ProtoField.uint8("xarn.word.count", "Word count"),
  w_data = ProtoField.uint16("xarn.word.data", "Data", base.HEX),
  w_stamp = ProtoField.uint8("xarn.word.stamp", "Data word code"),
  w_channel = ProtoField.uint16("xarn.word.channel", "Channel"),
  w_status = ProtoField.bool("xarn.word.status", "Status word"),
  s_notready = ProtoField.bool("xarn.status.notready", "Not ready"),
  s_hasdata = ProtoField.bool("xarn.status.hasdata", "Has data"),
  s_noncritical = ProtoField.bool("xarn.status.noncritical", "Non-critical"),
  s_state = ProtoField.uint8("xarn.status.state", "Protocol state", base.HEX, states),
  s_power = ProtoField.bool("xarn.status.power", "Power interrupt"),
  s_srb = ProtoField.bool("xarn.status.srb", "Service request"),
  s_enhanced = ProtoField.bool("xarn.status.enhanced", "Enhanced"),
  s_sev = ProtoField.uint8("xarn.status.sev", "SEV"),
}
local error_fields = {}
local word_error_fields = {}
for _, e in ipairs(word_errors) do
  error_fields[e.name] = ProtoField.bool("xarn.error." .. e.name, e.abbr .. ": " .. e.text)
  word_error_fields[e.name] = ProtoField.bool("xarn.word.error." .. e.name, e.abbr .. ": " .. e.text)
end
for _, e in ipairs(transfer_errors) do
  error_fields[e.name] = ProtoField.bool("xarn.error." .. e.name, e.abbr .. ": " .. e.text)
end

local all = {}
for _, v in pairs(f) do table.insert(all, v) end
for _, v in pairs(error_fields) do table.insert(all, v) end
for _, v in pairs(word_error_fields) do table.insert(all, v) end
xarn.fields = all

local function applies(e, mode)
  if not e.modes then return true end
  for _, m in ipairs(e.modes) do if m == mode then return true end end
  return false
end

local function flag_names(value, mode)
  local names = {}
  for _, e in ipairs(word_errors) do
    if bit.band(value, bit.lshift(1, e.bit)) ~= 0 then table.insert(names, e.abbr) end
  end
  for _, e in ipairs(transfer_errors) do
    if applies(e, mode) and bit.band(value, bit.lshift(1, e.bit)) ~= 0 then table.insert(names, e.abbr) end
  end
  return table.concat(names, " ")
end

local function bits(v, high, low)
  return bit.band(bit.rshift(v, low), bit.lshift(1, high - low + 1) - 1)
end

local function global(mode) return mode == 4 or mode == 5 end

-- One local-bus word: a command or status word (command sync) or a data word.
local function local_word(tree, range, mode, sync, status, v)
  tree:add(f.w_rt, range, bits(v, 23, 19))
  if sync == 0 then
    tree:add(f.w_data, range, bits(v, 18, 3))
    tree:add(f.w_stamp, range, bits(v, 2, 0))
    return
  end
  tree:add(f.w_status, range, status)
  if mode == 6 then
    tree:add(f.w_mdmtype, range, bits(v, 18, 15))
  else
    tree:add(f.w_code, range, bits(v, 18, 15))
  end
  if status and mode == 6 then
    tree:add(f.s_power, range, bits(v, 14, 14) == 1)
    tree:add(f.s_srb, range, bits(v, 13, 13) == 1)
    tree:add(f.s_enhanced, range, bits(v, 12, 12) == 1)
    tree:add(f.s_sev, range, bits(v, 2, 0))
  elseif status then
    tree:add(f.s_notready, range, bits(v, 12, 12) == 1)
    tree:add(f.s_hasdata, range, bits(v, 11, 11) == 1)
    tree:add(f.s_noncritical, range, bits(v, 10, 10) == 1)
    tree:add(f.s_state, range, bits(v, 6, 0))
  elseif mode == 6 then
    tree:add(f.w_iom, range, bits(v, 14, 10))
    tree:add(f.w_start, range, bits(v, 9, 5))
    tree:add(f.w_wcount, range, bits(v, 4, 0))
  else
    tree:add(f.w_bits, range, bits(v, 14, 0))
  end
end

function xarn.dissector(tvb, pinfo, root)
  if tvb:len() < 16 then return 0 end
  local mode = tvb(1, 1):uint()
  local count = tvb(8, 2):le_uint()
  if tvb:len() < 16 + 16 * count then return 0 end
  pinfo.cols.protocol = "XARN"
  local tree = root:add(xarn, tvb(0, 16 + 16 * count))
  tree:add(f.version, tvb(0, 1))
  tree:add(f.mode, tvb(1, 1))
  local type_ = tvb(2, 2):le_uint()
  local number = tvb(4, 2):le_uint()
  local errors = tvb(6, 2):le_uint()
  tree:add(f.count, tvb(8, 2), count)
  tree:add(f.bus, tvb(12, 1))

  -- The transfer's RT: the first word's address field.
  local first_rt
  local combined = errors
  local sender
  local datawords = 0
  local from_sender = 0
  for i = 0, count - 1 do
    local at = 16 + 16 * i
    local low = tvb(at + 8, 4):le_uint()
    local high = tvb(at + 12, 4):le_uint()
    local received = bit.band(tvb(at + 5, 1):uint(), 1) == 1
    if i == 0 then
      first_rt = global(mode) and bit.band(high, 0xFF) or bits(low, 23, 19)
      sender = received
    end
    combined = bit.bor(combined, bit.band(tvb(at + 6, 2):le_uint(), 0x1F))
    if tvb(at + 4, 1):uint() == 0 then
      datawords = datawords + 1
      if received == sender then from_sender = from_sender + 1 end
    end
  end

  local msgtype
  if mode == 1 then
    tree:add(f.message, tvb(4, 2), number)
    msgtype = "LDB message"
  elseif mode == 2 then
    msgtype = "LDB exchange"
  elseif mode == 3 then
    msgtype = "monitored word"
  elseif mode == 4 then
    tree:add(f.gdb_source, tvb(2, 2), type_)
    tree:add(f.gdb_index, tvb(4, 2), number)
    tree:add_le(f.gdb_rate, tvb(10, 2))
    msgtype = count > 1 and "GDB uplink and downlink" or "GDB uplink"
  elseif mode == 5 then
    tree:add(f.gdb_kind, tvb(2, 2), type_)
    msgtype = "GDB poll " .. (gdb_kinds[type_] or "?")
  elseif mode == 6 then
    tree:add(f.mdm_type, tvb(2, 2), type_)
    msgtype = mdm_types[type_] or "?"
  end
  tree:add(f.msgtype, tvb(2, 2), msgtype or "?")
  if first_rt then tree:add(f.rt, tvb(16 + 8, global(mode) and 5 or 4), first_rt) end
  if not global(mode) and mode ~= 3 and count > 0 then
    tree:add(f.datawords, tvb(8, 2), datawords)
    local direction = datawords == 0 and "none" or (from_sender == datawords and "to terminal" or "from terminal")
    tree:add(f.direction, tvb(8, 2), direction)
  end

  local names = flag_names(combined, mode)
  local et = tree:add(f.errors, tvb(6, 2), errors)
  if names ~= "" then et:append_text(" (" .. names .. ")") end
  -- Only the flags that are set: a filter by a flag's name then finds exactly those transfers.
  for _, e in ipairs(word_errors) do
    if bit.band(combined, bit.lshift(1, e.bit)) ~= 0 then et:add(error_fields[e.name], tvb(6, 2), true) end
  end
  for _, e in ipairs(transfer_errors) do
    if applies(e, mode) and bit.band(errors, bit.lshift(1, e.bit)) ~= 0 then
      et:add(error_fields[e.name], tvb(6, 2), true)
    end
  end

  for i = 0, count - 1 do
    local at = 16 + 16 * i
    local range = tvb(at, 16)
    local sync = tvb(at + 4, 1):uint()
    local flags = tvb(at + 5, 1):uint()
    local received = bit.band(flags, 1) == 1
    local werrors = tvb(at + 6, 2):le_uint()
    local low = tvb(at + 8, 4):le_uint()
    local high = tvb(at + 12, 4):le_uint()
    local wt = tree:add(f.word, range)
    wt:set_text(string.format("Word %d: %s %s", i, syncs[sync] or "?",
      global(mode) and string.format("RT %d ch %d data %04X", bit.band(high, 0xFF), bits(low, 31, 16), bits(low, 15, 0))
                    or string.format("%06X", low)))
    wt:add_le(f.w_offset, tvb(at, 4))
    wt:add(f.w_sync, tvb(at + 4, 1))
    wt:add(f.w_received, tvb(at + 5, 1), received)
    local et2 = wt:add_le(f.w_errors, tvb(at + 6, 2))
    for _, e in ipairs(word_errors) do
      if bit.band(werrors, bit.lshift(1, e.bit)) ~= 0 then
        et2:add(word_error_fields[e.name], tvb(at + 6, 2), true)
      end
    end
    wt:add_le(f.w_value, tvb(at + 8, 8))
    if global(mode) then
      local role = bits(flags, 5, 4)
      wt:add(f.w_role, tvb(at + 5, 1), role)
      if mode == 4 then wt:add(f.w_link, tvb(at + 5, 1), received and "downlink" or "uplink") end
      wt:add(f.w_rt, tvb(at + 12, 1), bit.band(high, 0xFF))
      wt:add(f.w_channel, tvb(at + 10, 2), bits(low, 31, 16))
      wt:add(f.w_data, tvb(at + 8, 2), bits(low, 15, 0))
    else
      -- The answer's command-sync word (from the other side than the first word) is a status
      -- word; the monitor cannot tell, so its words are read as commands.
      local status = mode ~= 3 and i > 0 and sync == 1 and received ~= sender
      local_word(wt, tvb(at + 8, 4), mode, sync, status, low)
    end
  end

  pinfo.cols.info = string.format("%s %s RT %s %d words%s", modes[mode] or "?", msgtype or "?",
    first_rt or "-", count, names ~= "" and (" [" .. names .. "]") or "")
  return tvb:len()
end

DissectorTable.get("wtap_encap"):add(wtap_encaps.USER0, xarn)
