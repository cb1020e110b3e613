#!/usr/bin/env python3
# Regenerates sqlserver.sql from mysql.sql (types, identity columns, indexes as
# separate statements, GO batches). Run after every change of mysql.sql.
import os
import re

HERE = os.path.dirname(os.path.abspath(__file__))
src=open(os.path.join(HERE, 'mysql.sql'),encoding='utf8').read()
out=["-- Host database of the canteen card system, SQL Server (T-SQL) form.",
     "-- Kept in step with mysql.sql: the same tables, columns, view and indexes.",
     "-- Each CREATE VIEW must start its own batch, hence the GO lines.",""]
# split statements at ';' at line end
stmts=[s.strip() for s in src.split(';\n') if s.strip()]
for s in stmts:
    lines=s.split('\n')
    comments=[l for l in lines if l.strip().startswith('--')]
    body=[l for l in lines if not l.strip().startswith('--')]
    text='\n'.join(body).strip().rstrip(';').rstrip()
    if out[-1]=='' and len(out)==4:
        comments=comments[comments.index([c for c in comments if c.startswith('-- Conventions')][0]):]
    out.extend(comments)
    m=re.match(r'CREATE TABLE (\w+) \(',text)
    if m:
        name=m.group(1); cols=[]; idx=[]; pk=None
        for l in text.split('\n')[1:]:
            t=l.strip()
            if t.startswith(')'): break
            code=t.split('--')[0].strip().rstrip(',')
            cmt=('  --'+t.split('--',1)[1]) if '--' in t else ''
            km=re.match(r'KEY (\w+) \((.*)\)',code)
            if km: idx.append((km.group(1),km.group(2))); continue
            pm=re.match(r'PRIMARY KEY \((.*)\)',code)
            if pm: pk=pm.group(1); continue
            c=code
            c=re.sub(r'\bmediumtext\b|\btext\b','nvarchar(max)',c)
            c=re.sub(r'\bvarchar\(','nvarchar(',c)
            c=c.replace('AUTO_INCREMENT','IDENTITY(1,1)')
            cols.append('  '+c+cmt)
        if pk: cols.append('  CONSTRAINT PK_%s PRIMARY KEY (%s)'%(name,pk))
        # commas
        res=[]
        for i,c in enumerate(cols):
            code,sep,cm=c.partition('  --')
            code=code.rstrip()
            if i<len(cols)-1: code+=','
            res.append(code+(('  --'+cm) if sep else ''))
        out.append('CREATE TABLE %s ('%name); out.extend(res); out.append(');'); out.append('GO')
        for n,c in idx:
            out.append('CREATE INDEX %s ON %s (%s);'%(n,name,c))
        if idx: out.append('GO')
        out.append('')
    elif text.startswith('CREATE VIEW'):
        out.append(text+';'); out.append('GO'); out.append('')
    else:
        if text: raise SystemExit('unknown: '+text[:80])
open(os.path.join(HERE, 'sqlserver.sql'),'w',encoding='utf8').write('\n'.join(out)+'\n')
