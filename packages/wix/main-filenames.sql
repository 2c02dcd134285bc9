# wixl writes long file names only; give the read-me its short name as well.
UPDATE File SET FileName='README~1.TXT|readme first.txt' WHERE File='ReadmeFirst'
