-- Host database of the canteen card system (MariaDB 10.11, lower_case_table_names=1,
-- utf8mb4, InnoDB). Loaded into an empty database; every table and column the
-- consumption module reads or writes is here, including the columns its start-up
-- schema upgrade would add, so a fresh database needs no upgrade.
--
-- Conventions shared by every table:
--   * Money is decimal(12,2).
--   * sys_id numbers one card issuance: each card issued to a person gets a new
--     sys_id. cardinfo is keyed by (empno, sys_id) and hum_employee.sys_id is the
--     person's current card, so a join on (empno, sys_id) gives one row per person.
--   * card_sequ is the card's own transaction counter, shared by MChargeRecords
--     and MealRecords: along one card the numbers run 1, 2, 3 ... without gaps.
--   * card_balance is always the balance AFTER the transaction.
--   * MChargeRecords.charge_money is positive for money put on the card.
--   * MealRecords.card_consume is positive for money taken off the card (sales,
--     refunds flag 102, clearings flag 14, supplements flag 105); it is negative
--     only for corrections (flag 9/90) that give money back. Thus for a meal row
--     balance before - card_consume = balance after.
--   * The view vIsCheckCardRecord exposes both tables with one sign: its
--     card_consume is charge_money for charge rows and -card_consume for meal
--     rows, so on every row of the view balance before + card_consume = balance
--     after (card_Balance).
--   * op_ymd is the DATE of the row (sign_time / op_date without the time).
--     Statements compare it with "yyyy-MM-dd" and "yyyy-MM-dd HH:mm:ss" texts,
--     and as a date both bounds include their day.
--   * stadescr is empty or NULL while a record is in no cashier bill, else the
--     bill number.

-- ---------------------------------------------------------------- personnel

CREATE TABLE hum_Department (
  deptno     varchar(30)  NOT NULL,
  deptname   varchar(100) NULL,
  parentno   varchar(30)  NULL,   -- '0' for a top-level department
  sortno     int          NULL,   -- 1 marks the company's own root row
  PRIMARY KEY (deptno)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- Current employees. deptno codes extend the parent's (01, 0101, 010101).
CREATE TABLE hum_employee (
  empno        varchar(20)   NOT NULL,
  empname      varchar(50)   NULL,
  deptno       varchar(30)   NULL,
  deptname     varchar(100)  NULL,
  card_id      int           NULL,   -- current card, NULL when none
  sys_id       int           NULL,   -- issuance number of the current card
  issued       int           NOT NULL DEFAULT 0,  -- 1 when a card is issued
  cardtype     int           NULL,   -- cardtype.SortID
  duty         varchar(50)   NULL,
  sex          varchar(4)    NULL,
  idcard       varchar(30)   NULL,
  over_pwd     varchar(20)   NULL,
  last_balance decimal(12,2) NULL,   -- balance at the last settlement
  last_date    datetime      NULL,
  in_date      datetime      NULL,
  PRIMARY KEY (empno),
  KEY ix_hum_employee_card (card_id),
  KEY ix_hum_employee_dept (deptno),
  KEY ix_hum_employee_sys (sys_id)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- Departed employees (same columns, plus the day they left).
CREATE TABLE hum_employee_lz (
  empno        varchar(20)   NOT NULL,
  empname      varchar(50)   NULL,
  deptno       varchar(30)   NULL,
  deptname     varchar(100)  NULL,
  card_id      int           NULL,
  sys_id       int           NULL,
  issued       int           NOT NULL DEFAULT 0,
  cardtype     int           NULL,
  duty         varchar(50)   NULL,
  sex          varchar(4)    NULL,
  idcard       varchar(30)   NULL,
  over_pwd     varchar(20)   NULL,
  last_balance decimal(12,2) NULL,
  last_date    datetime      NULL,
  in_date      datetime      NULL,
  leave_date   datetime      NULL,
  PRIMARY KEY (empno),
  KEY ix_hum_employee_lz_card (card_id),
  KEY ix_hum_employee_lz_dept (deptno),
  KEY ix_hum_employee_lz_sys (sys_id)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE cardtype (
  SortID  int         NOT NULL,
  Name    varchar(50) NULL,
  PRIMARY KEY (SortID)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- One row per card issued (sys_id numbers the issuance). CardStatus: 3 in use,
-- 2 reported lost (a lost card that was replaced stays 2), 4 returned.
CREATE TABLE cardinfo (
  empno          varchar(20)   NOT NULL,
  sys_id         int           NOT NULL,
  card_id        int           NOT NULL,
  empname        varchar(50)   NULL,
  card_balance   decimal(12,2) NULL,   -- latest balance
  card_sequ      int           NULL,   -- latest card sequence number
  issue_date     datetime      NULL,
  validdate      datetime      NULL,
  CardStatus     int           NULL,
  CardStatusDes  varchar(20)   NULL,
  CardStatusDate datetime      NULL,
  CardFormatVer  int           NULL,
  CardFactory    varchar(50)   NULL,
  PRIMARY KEY (empno, sys_id),
  KEY ix_cardinfo_card (card_id),
  KEY ix_cardinfo_issue (issue_date),
  KEY ix_cardinfo_status (CardStatus, CardStatusDate)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- Kept for the older personnel and USB black/white list windows.
CREATE TABLE Employee (
  emp_id       varchar(20)   NOT NULL,
  empname      varchar(50)   NULL,
  deptno       varchar(30)   NULL,
  deptname     varchar(100)  NULL,
  card_id      int           NULL,
  sys_id       int           NULL,
  issued       int           NOT NULL DEFAULT 0,
  card_balance decimal(12,2) NULL,
  card_sequ    int           NULL,
  blackwhite   int           NULL,
  PRIMARY KEY (emp_id),
  KEY ix_employee_card (card_id)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE Departs (
  deptno    varchar(30)  NOT NULL,
  deptname  varchar(100) NULL,
  parentno  varchar(30)  NULL,
  PRIMARY KEY (deptno)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE MEmpAccound (
  id           int           NOT NULL AUTO_INCREMENT,
  emp_id       varchar(20)   NULL,
  sys_id       int           NULL,
  card_id      int           NULL,
  empname      varchar(50)   NULL,
  deptno       varchar(30)   NULL,
  deptname     varchar(100)  NULL,
  card_balance decimal(12,2) NULL,
  card_sequ    int           NULL,
  op_date      datetime      NULL,
  PRIMARY KEY (id),
  KEY ix_mempaccound_emp (emp_id)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- ---------------------------------------------------------------- system

-- One row. parameters holds Name=Value lines (ClientCode, cbDepart, cbClock,
-- edmaxbalance, IsSetOtherMatters, ...).
CREATE TABLE Company (
  id              int          NOT NULL AUTO_INCREMENT,
  company_ch_name varchar(100) NULL,
  company_en_name varchar(100) NULL,
  parameters      mediumtext   NULL,
  isControlCard   int          NULL,
  week_param      varchar(50)  NULL,   -- rest weekdays for meal orders, e.g. 1,7
  month_param     varchar(100) NULL,   -- rest days of the month, e.g. 01,15
  PRIMARY KEY (id)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- Log-in users. Password holds a salted hash (PasswordHash), never plain text.
-- Access: lines "_ActMealRecord=31"; departs: a list like '01','0102';
-- dinroom_id: the dining room the user is bound to (empty: all).
CREATE TABLE sys_user (
  Userid     varchar(20)  NOT NULL,
  UserName   varchar(50)  NULL,
  Password   varchar(200) NULL,
  Access     text         NULL,
  departs    text         NULL,
  dinroom_id varchar(50)  NULL,
  PRIMARY KEY (Userid)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE OpLog (
  id         bigint       NOT NULL AUTO_INCREMENT,
  opTime     datetime     NULL,
  BeWrite    text         NULL,
  opUser     varchar(50)  NULL,
  opComPuter varchar(50)  NULL,
  PRIMARY KEY (id),
  KEY ix_oplog_time (opTime)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE MUserSQL (
  id       int          NOT NULL AUTO_INCREMENT,
  Userid   varchar(20)  NULL,
  SQLName  varchar(100) NULL,
  SQLText  text         NULL,
  PRIMARY KEY (id)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- Period lock written by the monthly bill window.
CREATE TABLE pos_lockBillDate (
  BillLockDate datetime NULL,
  AddDate      datetime NULL
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- The site secret the daily maintenance key is derived from (one row,
-- written with a random value by the schema upgrade; see docs/maintenance-key.md).
CREATE TABLE meal_site_secret (
  secret varchar(64) NOT NULL
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- ---------------------------------------------------------------- terminals

CREATE TABLE dinroom (
  DinRoom_id   int          NOT NULL,
  DinRoom_name varchar(50)  NULL,
  Mem          varchar(100) NULL,
  PRIMARY KEY (DinRoom_id)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- Meal periods. The column order matters: statements unite
-- "select * from Dinlev" with a literal row of these nine columns.
-- beg_time and end_time are "HH:mm" texts; isvalid 1 counts the period.
CREATE TABLE Dinlev (
  DinLev_ID   int           NOT NULL,
  DinLev_Name varchar(50)   NULL,
  DinLevPrice decimal(12,2) NULL,
  beg_time    varchar(8)    NULL,
  end_time    varchar(8)    NULL,
  iscount     int           NULL,
  isvalid     int           NULL,
  Mem         varchar(100)  NULL,
  two_price   decimal(12,2) NULL,
  PRIMARY KEY (DinLev_ID)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- Consumption terminals. Clock_type '0' is not a POS terminal; its integer
-- value with bit 4 set marks an allowance terminal. TCPIP_type 0 network
-- (TCPIP_Address), 1 RS485, other RS232 (comport, BaudRate).
CREATE TABLE clocks (
  clock_id      int          NOT NULL,
  clock_name    varchar(50)  NULL,
  Clock_type    varchar(10)  NULL,
  dinroom_id    int          NULL,
  comport       int          NULL,
  BaudRate      int          NULL,
  TCPIP_type    int          NULL,
  TCPIP_Address varchar(50)  NULL,
  TCPIP_Port    int          NULL,
  commkey       int          NULL,
  clock_sn      varchar(30)  NULL,
  lastTimeRec   datetime     NULL,
  WRParam       text         NULL,
  PRIMARY KEY (clock_id),
  KEY ix_clocks_dinroom (dinroom_id)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- Article list of goods sales.
CREATE TABLE store (
  storeno   int           NOT NULL,
  storename varchar(50)   NULL,
  price     decimal(12,2) NULL,
  PRIMARY KEY (storeno)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- ---------------------------------------------------------------- transactions

-- Card consumption (terminal sales, refunds, clearings, supplements,
-- corrections). flag: 1 fixed value, 2 amount, 3 key value, 4 count, 5 goods,
-- 6 timed, 7 on account, 9/90 correction, 14 cleared, 102 refund,
-- 103 sale, 105 supplementary record. kind: the meal period (Dinlev.DinLev_ID,
-- 0 outside any period). Line items of flags 3, 5 and 6 are in keydetail,
-- storedetail and tmdetail, joined by (clock_id, Devno = pos_sequ).
CREATE TABLE MealRecords (
  rec_id       bigint        NOT NULL AUTO_INCREMENT,
  ver_id       int           NULL,
  pos_sequ     int           NULL,   -- terminal transaction counter
  card_sequ    int           NULL,
  opcard_id    varchar(50)   NULL,
  clock_id     int           NULL,
  emp_id       varchar(20)   NULL,
  sys_id       int           NULL,
  card_id      int           NULL,
  sign_time    datetime      NULL,
  mark         int           NULL,
  flag         int           NULL,
  card_times   int           NULL,
  card_consume decimal(12,2) NULL,   -- positive: money taken off the card
  card_balance decimal(12,2) NULL,   -- balance after
  kind         int           NULL,
  op_ymd       date          NULL,
  op_user      varchar(50)   NULL,
  empname      varchar(50)   NULL,
  deptno       varchar(30)   NULL,
  deptname     varchar(100)  NULL,
  stadescr     varchar(20)   NULL,
  isAddBack    int           NULL,
  PRIMARY KEY (rec_id),
  KEY ix_mealrecords_card (card_id, card_sequ),
  KEY ix_mealrecords_time (sign_time),
  KEY ix_mealrecords_ymd (op_ymd),
  KEY ix_mealrecords_emp (emp_id, sys_id),
  KEY ix_mealrecords_dept (deptno),
  KEY ix_mealrecords_pos (clock_id, pos_sequ)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- Copy of the terminal records as they arrived (used to restore missing
-- sequence numbers). Same columns as MealRecords; rec_id is not unique here.
CREATE TABLE mealrecords_bak (
  rec_id       bigint        NULL,
  ver_id       int           NULL,
  pos_sequ     int           NULL,
  card_sequ    int           NULL,
  opcard_id    varchar(50)   NULL,
  clock_id     int           NULL,
  emp_id       varchar(20)   NULL,
  sys_id       int           NULL,
  card_id      int           NULL,
  sign_time    datetime      NULL,
  mark         int           NULL,
  flag         int           NULL,
  card_times   int           NULL,
  card_consume decimal(12,2) NULL,
  card_balance decimal(12,2) NULL,
  kind         int           NULL,
  op_ymd       date          NULL,
  op_user      varchar(50)   NULL,
  empname      varchar(50)   NULL,
  deptno       varchar(30)   NULL,
  deptname     varchar(100)  NULL,
  stadescr     varchar(20)   NULL,
  isAddBack    int           NULL,
  KEY ix_mealrecords_bak_card (card_id, card_sequ),
  KEY ix_mealrecords_bak_time (sign_time)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- Records set aside as duplicates. Columns in the same order as MealRecords:
-- rows move between the two with "insert ... select *".
CREATE TABLE mealrecords_dou_bak (
  rec_id       bigint        NULL,
  ver_id       int           NULL,
  pos_sequ     int           NULL,
  card_sequ    int           NULL,
  opcard_id    varchar(50)   NULL,
  clock_id     int           NULL,
  emp_id       varchar(20)   NULL,
  sys_id       int           NULL,
  card_id      int           NULL,
  sign_time    datetime      NULL,
  mark         int           NULL,
  flag         int           NULL,
  card_times   int           NULL,
  card_consume decimal(12,2) NULL,
  card_balance decimal(12,2) NULL,
  kind         int           NULL,
  op_ymd       date          NULL,
  op_user      varchar(50)   NULL,
  empname      varchar(50)   NULL,
  deptno       varchar(30)   NULL,
  deptname     varchar(100)  NULL,
  stadescr     varchar(20)   NULL,
  isAddBack    int           NULL,
  KEY ix_mealrecords_dou_bak_card (card_id, card_sequ),
  KEY ix_mealrecords_dou_bak_emp (emp_id)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- Records of the secondary terminal path (same columns as MealRecords).
CREATE TABLE SMealRecords (
  rec_id       bigint        NOT NULL AUTO_INCREMENT,
  ver_id       int           NULL,
  pos_sequ     int           NULL,
  card_sequ    int           NULL,
  opcard_id    varchar(50)   NULL,
  clock_id     int           NULL,
  emp_id       varchar(20)   NULL,
  sys_id       int           NULL,
  card_id      int           NULL,
  sign_time    datetime      NULL,
  mark         int           NULL,
  flag         int           NULL,
  card_times   int           NULL,
  card_consume decimal(12,2) NULL,
  card_balance decimal(12,2) NULL,
  kind         int           NULL,
  op_ymd       date          NULL,
  op_user      varchar(50)   NULL,
  empname      varchar(50)   NULL,
  deptno       varchar(30)   NULL,
  deptname     varchar(100)  NULL,
  stadescr     varchar(20)   NULL,
  isAddBack    int           NULL,
  PRIMARY KEY (rec_id),
  KEY ix_smealrecords_card (card_id, card_sequ)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- Key-value sale lines (flag 3); RecNo 0 is the first line.
CREATE TABLE keydetail (
  id       bigint        NOT NULL AUTO_INCREMENT,
  clock_id int           NOT NULL,
  Devno    int           NOT NULL,   -- MealRecords.pos_sequ
  RecNo    int           NOT NULL,
  KeyID    int           NULL,
  Price    decimal(12,2) NULL,
  PRIMARY KEY (id),
  KEY ix_keydetail_pos (clock_id, Devno)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- Goods sale lines (flag 5); RecSum is the line number, 0 the first line.
CREATE TABLE storedetail (
  id       bigint        NOT NULL AUTO_INCREMENT,
  clock_id int           NOT NULL,
  Devno    int           NOT NULL,   -- MealRecords.pos_sequ
  RecSum   int           NOT NULL,
  StoreNo  int           NULL,
  Price    decimal(12,2) NULL,
  Amount   int           NULL,
  PRIMARY KEY (id),
  KEY ix_storedetail_pos (clock_id, Devno),
  KEY ix_storedetail_store (StoreNo)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- Goods lines with their article name and line amount.
CREATE VIEW vstoredetail AS
  SELECT d.clock_id AS clock_id, d.Devno AS Devno, d.StoreNo AS StoreNo, s.storename AS StoreName,
         d.Price AS Price, d.RecSum AS RecSum, d.Amount AS Amount,
         CAST(d.Price * d.Amount AS decimal(12,2)) AS SumMoney
  FROM storedetail d LEFT JOIN store s ON s.storeno = d.StoreNo;

-- Timed sale lines (flag 6); the column names are spelled so.
CREATE TABLE tmdetail (
  id            bigint        NOT NULL AUTO_INCREMENT,
  clock_id      int           NOT NULL,
  Devno         int           NOT NULL,   -- MealRecords.pos_sequ
  StartTme      datetime      NULL,
  EndTime       datetime      NULL,
  StartBanlance decimal(12,2) NULL,
  EndBanlance   decimal(12,2) NULL,
  PRIMARY KEY (id),
  KEY ix_tmdetail_pos (clock_id, Devno)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- Recharges. Kind: 0 cash, 1/3/104 manual allowance, 2 batch, 30 cashier
-- terminal, 31 discount, 33 allowance terminal. PaySource 1 Alipay, 2 WeChat.
-- charge_ver: the allowance serial of kind-33 rows.
CREATE TABLE MChargeRecords (
  rec_id       bigint        NOT NULL AUTO_INCREMENT,
  emp_id       varchar(20)   NULL,
  sys_id       int           NULL,
  card_id      int           NULL,
  empname      varchar(50)   NULL,
  deptno       varchar(30)   NULL,
  deptname     varchar(100)  NULL,
  charge_money decimal(12,2) NULL,   -- positive: money put on the card
  card_balance decimal(12,2) NULL,   -- balance after
  card_times   int           NULL,
  card_sequ    int           NULL,
  Kind         int           NULL,
  opcard_id    varchar(50)   NULL,
  op_date      datetime      NULL,
  op_ymd       date          NULL,
  clock_id     int           NULL,
  stadescr     varchar(20)   NULL,
  PaySource    int           NULL,
  tradeNo      varchar(64)   NULL,
  charge_ver   int           NULL,
  isAddBack    int           NULL,
  PRIMARY KEY (rec_id),
  KEY ix_mchargerecords_card (card_id, card_sequ),
  KEY ix_mchargerecords_time (op_date),
  KEY ix_mchargerecords_ymd (op_ymd),
  KEY ix_mchargerecords_emp (emp_id, sys_id),
  KEY ix_mchargerecords_dept (deptno)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE MChargeRecords_bak (
  rec_id       bigint        NULL,
  emp_id       varchar(20)   NULL,
  sys_id       int           NULL,
  card_id      int           NULL,
  empname      varchar(50)   NULL,
  deptno       varchar(30)   NULL,
  deptname     varchar(100)  NULL,
  charge_money decimal(12,2) NULL,
  card_balance decimal(12,2) NULL,
  card_times   int           NULL,
  card_sequ    int           NULL,
  Kind         int           NULL,
  opcard_id    varchar(50)   NULL,
  op_date      datetime      NULL,
  op_ymd       date          NULL,
  clock_id     int           NULL,
  stadescr     varchar(20)   NULL,
  PaySource    int           NULL,
  tradeNo      varchar(64)   NULL,
  charge_ver   int           NULL,
  isAddBack    int           NULL,
  KEY ix_mchargerecords_bak_card (card_id, card_sequ),
  KEY ix_mchargerecords_bak_time (op_date)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- Duplicates set aside; same columns in the same order as MChargeRecords.
CREATE TABLE MChargeRecords_dou_bak (
  rec_id       bigint        NULL,
  emp_id       varchar(20)   NULL,
  sys_id       int           NULL,
  card_id      int           NULL,
  empname      varchar(50)   NULL,
  deptno       varchar(30)   NULL,
  deptname     varchar(100)  NULL,
  charge_money decimal(12,2) NULL,
  card_balance decimal(12,2) NULL,
  card_times   int           NULL,
  card_sequ    int           NULL,
  Kind         int           NULL,
  opcard_id    varchar(50)   NULL,
  op_date      datetime      NULL,
  op_ymd       date          NULL,
  clock_id     int           NULL,
  stadescr     varchar(20)   NULL,
  PaySource    int           NULL,
  tradeNo      varchar(64)   NULL,
  charge_ver   int           NULL,
  isAddBack    int           NULL,
  KEY ix_mchargerecords_dou_bak_card (card_id, card_sequ),
  KEY ix_mchargerecords_dou_bak_emp (emp_id)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- Recharges that failed to book (restored by the operator).
CREATE TABLE MChargeRecords_FullBak (
  rec_id       bigint        NOT NULL AUTO_INCREMENT,
  emp_id       varchar(20)   NULL,
  sys_id       int           NULL,
  card_id      int           NULL,
  empname      varchar(50)   NULL,
  deptno       varchar(30)   NULL,
  deptname     varchar(100)  NULL,
  charge_money decimal(12,2) NULL,
  card_balance decimal(12,2) NULL,
  card_times   int           NULL,
  card_sequ    int           NULL,
  Kind         int           NULL,
  opcard_id    varchar(50)   NULL,
  op_date      datetime      NULL,
  op_ymd       date          NULL,
  clock_id     int           NULL,
  stadescr     varchar(20)   NULL,
  PaySource    int           NULL,
  tradeNo      varchar(64)   NULL,
  charge_ver   int           NULL,
  isAddBack    int           NULL,
  PRIMARY KEY (rec_id),
  KEY ix_mchargerecords_fullbak_time (op_date),
  KEY ix_mchargerecords_fullbak_card (card_id, card_sequ)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- Card costs: kind 1 deposit (in_money received, out_money paid back),
-- kind 2 management fee (in_money). Does not touch the card balance.
CREATE TABLE mcardcost (
  id        bigint        NOT NULL AUTO_INCREMENT,
  card_id   int           NULL,
  emp_id    varchar(20)   NULL,
  sys_id    int           NULL,
  empname   varchar(50)   NULL,
  deptno    varchar(30)   NULL,
  deptname  varchar(100)  NULL,
  in_money  decimal(12,2) NULL,
  out_money decimal(12,2) NULL,
  kind      int           NULL,
  op_user   varchar(50)   NULL,
  op_date   datetime      NULL,
  op_ymd    date          NULL,
  remark    varchar(200)  NULL,
  stadescr  varchar(20)   NULL,
  PRIMARY KEY (id),
  KEY ix_mcardcost_card (card_id),
  KEY ix_mcardcost_time (op_date),
  KEY ix_mcardcost_ymd (op_ymd)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- Cards handed back; card_balance is the balance paid out.
CREATE TABLE ReturnCard (
  id           bigint        NOT NULL AUTO_INCREMENT,
  card_id      int           NULL,
  emp_id       varchar(20)   NULL,
  sys_id       int           NULL,
  empname      varchar(50)   NULL,
  deptno       varchar(30)   NULL,
  deptname     varchar(100)  NULL,
  card_balance decimal(12,2) NULL,
  card_sequ    int           NULL,
  return_date  datetime      NULL,
  op_user      varchar(50)   NULL,
  stadescr     varchar(20)   NULL,
  PRIMARY KEY (id),
  KEY ix_returncard_card (card_id),
  KEY ix_returncard_date (return_date)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- Lost cards replaced: old_card_id stops at op_date, new_card_id carries the
-- balance card_balance forward. The new card's first record (card_sequ 1) is a
-- zero-amount manual recharge (Kind 0) whose card_balance is that carried
-- balance: the one row of a card where balance before + amount <> balance after.
CREATE TABLE MChangeCard (
  id           bigint        NOT NULL AUTO_INCREMENT,
  emp_id       varchar(20)   NULL,
  sys_id       int           NULL,     -- issuance number of the new card
  empname      varchar(50)   NULL,
  deptno       varchar(30)   NULL,
  deptname     varchar(100)  NULL,
  old_card_id  int           NULL,
  new_card_id  int           NULL,
  card_balance decimal(12,2) NULL,
  op_date      datetime      NULL,
  op_user      varchar(50)   NULL,
  stadescr     varchar(20)   NULL,
  PRIMARY KEY (id),
  KEY ix_mchangecard_old (old_card_id),
  KEY ix_mchangecard_new (new_card_id),
  KEY ix_mchangecard_date (op_date)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- One signed row per charge or meal transaction; see the header for the sign.
-- cType 'CH' marks charge rows, 'XF' meal rows. kind is the recharge Kind of a
-- charge row and the flag of a meal row. card_Balance is the balance after.
CREATE VIEW vIsCheckCardRecord AS
  SELECT 'CH' AS cType, c.rec_id AS rec_id, c.emp_id AS emp_id, c.empname AS empname, c.sys_id AS sys_id,
         c.card_id AS card_id, c.deptno AS deptno, c.deptname AS deptname, c.clock_id AS clock_id,
         0 AS pos_sequ, c.op_date AS op_date, c.op_ymd AS op_ymd, c.card_sequ AS card_sequ,
         c.Kind AS kind, c.charge_money AS card_consume, c.card_balance AS card_Balance,
         c.charge_ver AS charge_ver, c.opcard_id AS opcard_id, c.stadescr AS stadescr
  FROM MChargeRecords c
  UNION ALL
  SELECT 'XF' AS cType, m.rec_id AS rec_id, m.emp_id AS emp_id, m.empname AS empname, m.sys_id AS sys_id,
         m.card_id AS card_id, m.deptno AS deptno, m.deptname AS deptname, m.clock_id AS clock_id,
         m.pos_sequ AS pos_sequ, m.sign_time AS op_date, m.op_ymd AS op_ymd, m.card_sequ AS card_sequ,
         m.flag AS kind, -m.card_consume AS card_consume, m.card_balance AS card_Balance,
         NULL AS charge_ver, m.opcard_id AS opcard_id, m.stadescr AS stadescr
  FROM MealRecords m;

-- ---------------------------------------------------------------- allowances

-- One allowance of one card holder, numbered per person by charge_ver.
CREATE TABLE mallowance (
  id           int           NOT NULL AUTO_INCREMENT,
  emp_id       varchar(20)   NULL,
  sys_id       int           NULL,
  card_id      int           NULL,
  empname      varchar(50)   NULL,
  deptno       varchar(30)   NULL,
  deptname     varchar(100)  NULL,
  clock_id     int           NULL,      -- terminal that received or paid it
  deposit      decimal(12,2) NULL,      -- amount entered
  downed       int           NOT NULL DEFAULT 0,  -- sent to a terminal
  charged      int           NOT NULL DEFAULT 0,  -- taken by the card
  charge_money decimal(12,2) NULL,      -- amount taken
  charge_date  datetime      NULL,      -- when taken
  AllowDate    datetime      NULL,      -- valid until
  card_balance decimal(12,2) NULL,
  card_sequ    int           NULL,
  charge_ver   int           NULL,
  op_user      varchar(50)   NULL,
  op_date      datetime      NULL,
  newCard_id   int           NULL,
  Memo         varchar(200)  NULL,
  PRIMARY KEY (id),
  KEY ix_mallowance_emp (emp_id, charge_ver),
  KEY ix_mallowance_sys (sys_id, charge_ver),
  KEY ix_mallowance_date (op_date)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- Download tasks: one per terminal and allowance.
CREATE TABLE allowtasklist (
  allow_id     int           NOT NULL AUTO_INCREMENT,
  clock_sn     varchar(30)   NULL,
  clock_id     int           NULL,
  sys_id       int           NULL,
  emp_id       varchar(20)   NULL,
  card_id      int           NULL,
  empname      varchar(50)   NULL,
  aow_id       int           NULL,     -- mallowance.id
  charge_ver   int           NULL,
  charge_money decimal(12,2) NULL,
  charge_date  datetime      NULL,
  op_user      varchar(50)   NULL,
  op_date      datetime      NULL,
  iscommit     int           NULL,
  commit_date  datetime      NULL,
  PRIMARY KEY (allow_id),
  KEY ix_allowtasklist_clock (clock_id, clock_sn, iscommit)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- ---------------------------------------------------------------- bills and statistics

-- Cashier bills: one row per bill, operator and business type.
CREATE TABLE balancestatistic (
  id         bigint        NOT NULL AUTO_INCREMENT,
  stadescr   varchar(20)   NULL,
  stabegdate datetime      NULL,
  staenddate datetime      NULL,
  opdatetime datetime      NULL,
  opuser     varchar(100)  NULL,
  optype     varchar(20)   NULL,
  opcount    int           NULL,
  balance    decimal(12,2) NULL,
  deposit    decimal(12,2) NULL,
  opfee      decimal(12,2) NULL,
  mustmoney  decimal(12,2) NULL,
  PRIMARY KEY (id),
  KEY ix_balancestatistic_bill (stadescr)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- Settlement vouchers: one row per figure line.
CREATE TABLE settlestatistic (
  id           bigint        NOT NULL AUTO_INCREMENT,
  opid         int           NULL,
  optype       varchar(100)  NULL,
  opcount      int           NULL,
  empconut     int           NULL,
  balancemoney decimal(12,2) NULL,
  managemoney  decimal(12,2) NULL,
  costmoney    decimal(12,2) NULL,
  stadescr     varchar(20)   NULL,
  stabegdate   datetime      NULL,
  staenddate   datetime      NULL,
  opdatetime   datetime      NULL,
  opuser       varchar(50)   NULL,
  PRIMARY KEY (id),
  KEY ix_settlestatistic_bill (stadescr)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- Monthly bill: one row per card and bill (MonthDes).
CREATE TABLE MealMonthRec (
  dec_id            bigint        NOT NULL AUTO_INCREMENT,
  MonthDes          varchar(20)   NULL,
  BillStartDate     datetime      NULL,
  BillEndDate       datetime      NULL,
  last_balance      decimal(12,2) NULL,
  Now_card_balance  decimal(12,2) NULL,
  sys_id            varchar(20)   NULL,
  empno             varchar(20)   NULL,
  EmpName           varchar(50)   NULL,
  deptname          varchar(100)  NULL,
  card_id           int           NULL,
  sum_charge_money  decimal(12,2) NULL,
  sum_add_money     decimal(12,2) NULL,
  sum_bat_money     decimal(12,2) NULL,
  sum_chuna_money   decimal(12,2) NULL,
  sum_rate_money    decimal(12,2) NULL,
  sum_Consume_money decimal(12,2) NULL,
  sum_Return_money  decimal(12,2) NULL,
  sum_Clear_money   decimal(12,2) NULL,
  sum_BuDan_money   decimal(12,2) NULL,
  ChangeCardMoney   decimal(12,2) NULL,
  sum_All_in        decimal(12,2) NULL,
  sum_All_out       decimal(12,2) NULL,
  Balance           decimal(12,2) NULL,
  PRIMARY KEY (dec_id),
  KEY ix_mealmonthrec_month (MonthDes, sys_id),
  KEY ix_mealmonthrec_card (card_id)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- Month summary: for each measure X the opening value X_star and the change X.
CREATE TABLE mealmonth (
  id                  int           NOT NULL AUTO_INCREMENT,
  monthdes            varchar(20)   NULL,
  begdate             datetime      NULL,
  enddate             datetime      NULL,
  cardcost_star       decimal(12,2) NULL,
  cardcost            decimal(12,2) NULL,
  chargemoney_star    decimal(12,2) NULL,
  chargemoney         decimal(12,2) NULL,
  chargeper_star      int           NULL,
  chargeper           int           NULL,
  consume_star        decimal(12,2) NULL,
  consume             decimal(12,2) NULL,
  consumeper_star     int           NULL,
  consumeper          int           NULL,
  refund_star         decimal(12,2) NULL,
  refund              decimal(12,2) NULL,
  refundper_star      int           NULL,
  refundper           int           NULL,
  balance_star        decimal(12,2) NULL,
  balance             decimal(12,2) NULL,
  TotalPer_star       int           NULL,
  TotalPer            int           NULL,
  newaccountPer_star  int           NULL,
  newaccountPer       int           NULL,
  changecardPer_star  int           NULL,
  changecardPer       int           NULL,
  blackPer_star       int           NULL,
  blackPer            int           NULL,
  whitePer_star       int           NULL,
  whitePer            int           NULL,
  PRIMARY KEY (id)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- ---------------------------------------------------------------- meal orders

CREATE TABLE OrdertimeSec (
  id          int          NOT NULL AUTO_INCREMENT,
  DinLev_ID   int          NULL,
  beg_time    varchar(8)   NULL,
  end_time    varchar(8)   NULL,
  order_begin varchar(8)   NULL,   -- orders accepted from
  order_end   varchar(8)   NULL,   -- orders accepted until
  isvalid     int          NULL,
  PRIMARY KEY (id)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- Meals ordered; mealsum is the amount deducted for the order.
CREATE TABLE OrderMeal (
  id         bigint        NOT NULL AUTO_INCREMENT,
  emp_id     varchar(20)   NULL,
  sys_id     int           NULL,
  card_id    int           NULL,
  empname    varchar(50)   NULL,
  deptno     varchar(30)   NULL,
  deptname   varchar(100)  NULL,
  order_date date          NULL,
  DinLev_ID  int           NULL,
  ordertype  int           NULL,
  mealcount  int           NULL,
  mealsum    decimal(12,2) NULL,
  ismeal     int           NULL,    -- 1 when the meal was taken
  card_sequ  int           NULL,
  card_balance decimal(12,2) NULL,
  op_date    datetime      NULL,
  op_ymd     date          NULL,
  op_user    varchar(50)   NULL,
  PRIMARY KEY (id),
  KEY ix_ordermeal_emp (emp_id),
  KEY ix_ordermeal_date (order_date)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- Order events as received from the ordering terminals.
CREATE TABLE Orderrecords (
  id         bigint        NOT NULL AUTO_INCREMENT,
  emp_id     varchar(20)   NULL,
  card_id    int           NULL,
  empname    varchar(50)   NULL,
  deptno     varchar(30)   NULL,
  deptname   varchar(100)  NULL,
  clock_id   int           NULL,
  order_date date          NULL,
  DinLev_ID  int           NULL,
  ordertype  int           NULL,
  mealcount  int           NULL,
  mealsum    decimal(12,2) NULL,
  sign_time  datetime      NULL,
  op_ymd     date          NULL,
  PRIMARY KEY (id),
  KEY ix_orderrecords_emp (emp_id),
  KEY ix_orderrecords_date (order_date)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4
;
