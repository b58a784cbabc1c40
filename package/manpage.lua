-- Turns a program's page of docs/ into its manual page: the title line
-- becomes NAME (the program and the one-line summary passed as the metadata
-- `whatis`), the text before the first section becomes DESCRIPTION, and the
-- sections move up a level, since a manual page has only sections and
-- subsections. Links to other pages of docs/ keep only their text: those
-- files are not installed beside the manual.

local function is_web_address(target)
  return target:match('^%a[%w+.-]*:') ~= nil
end

-- Characters a table may fill on an 80-column terminal: the text starts
-- seven columns in, and tbl puts three between columns.
local function table_room(columns)
  return 70 - 3 * (columns - 1)
end

local function each_row(tbl, visit)
  for _, row in ipairs(tbl.head.rows) do
    visit(row)
  end
  for _, body in ipairs(tbl.bodies) do
    for _, row in ipairs(body.body) do
      visit(row)
    end
  end
end

-- Widths in characters: each column gets at least its longest word, and the
-- room left goes to the columns whose cells are longer than that, in
-- proportion to what they lack. Pandoc would give equal shares (from the
-- dashes of the table's rule), leaving short columns half empty and long
-- code words in narrow ones.
local function column_widths(tbl)
  local columns = #tbl.colspecs
  local least, wanted = {}, {}
  for i = 1, columns do
    least[i], wanted[i] = 1, 1
  end
  each_row(tbl, function(row)
    for i, cell in ipairs(row.cells) do
      local spaced = pandoc.walk_block(pandoc.Div(cell.contents), {
        RawInline = function()
          return pandoc.Space()
        end,
      })
      local text = pandoc.utils.stringify(spaced)
      wanted[i] = math.max(wanted[i], utf8.len(text) or #text)
      for word in text:gmatch('%S+') do
        least[i] = math.max(least[i], utf8.len(word) or #word)
      end
    end
  end)
  local room = table_room(columns)
  local widths, spare, lacking = {}, room, 0
  for i = 1, columns do
    widths[i] = math.min(least[i], wanted[i])
    spare = spare - widths[i]
    lacking = lacking + (wanted[i] - widths[i])
  end
  for i = 1, columns do
    if lacking > 0 and spare > 0 then
      widths[i] = widths[i] + math.min(wanted[i] - widths[i], spare * (wanted[i] - widths[i]) / lacking)
    end
  end
  return widths
end

-- Long code in a table cell (a JSON answer) may break after its commas.
local function breakable_code(code)
  if not code.text:find(',') then
    return nil
  end
  local pieces = {}
  for piece in code.text:gmatch('[^,]*,?') do
    if piece ~= '' then
      if #pieces > 0 then
        table.insert(pieces, pandoc.RawInline('man', '\\:'))
      end
      table.insert(pieces, pandoc.Code(piece))
    end
  end
  return pieces
end

local function fitted_table(tbl)
  tbl = pandoc.walk_block(tbl, { Code = breakable_code })
  -- Pandoc turns a width w into w times 70 characters.
  for i, width in ipairs(column_widths(tbl)) do
    tbl.colspecs[i][2] = math.floor(width) / 70
  end
  return tbl
end

local function plain_link(link)
  if is_web_address(link.target) then
    return nil
  end
  return link.content
end

function Pandoc(doc)
  local program = pandoc.utils.stringify(doc.meta.program or '')
  local whatis = pandoc.utils.stringify(doc.meta.whatis or '')
  if program == '' or whatis == '' then
    error('manpage.lua needs the metadata program and whatis')
  end
  local blocks = {
    -- Ragged right and unhyphenated: narrow table columns cannot be justified,
    -- and code split at a hyphen reads as other code.
    pandoc.RawBlock('man', '.ad l\n.nh'),
    pandoc.Header(1, 'NAME'),
    pandoc.Para({ pandoc.Str(program), pandoc.RawInline('man', ' \\- '), pandoc.Str(whatis) }),
    pandoc.Header(1, 'DESCRIPTION'),
  }
  for _, block in ipairs(doc.blocks) do
    if block.t == 'Header' then
      if block.level > 1 then
        block.level = block.level - 1
        table.insert(blocks, block)
      end
    else
      table.insert(blocks, block)
    end
  end
  doc.blocks = blocks
  return doc:walk({ Link = plain_link, Table = fitted_table })
end
